// Drives the sample spreadsheet model, a host library that qorjs loads:
//   qorjs --com-extensions --host build/default/examples/Spreadsheet/libQorSpreadsheet.so examples/spreadsheet.js
// Application is the model's global object; Point and Workbook are its
// constructors. Every property and method used here is one IDispatch call.
// --com-extensions gives the script COM events (addEventListener) and dates.

console.log(`${Application.Name} ${Application.Version}`);

// Properties read and written; a property that returns another object.
const book = Application.ActiveWorkbook;
book.Name = 'Household';
console.log('workbook:', Application.ActiveWorkbook.Name);

// The model calls back into the script: every change of a cell raises the
// event Sheet.OnChange, handled here.
const changed = [];
Sheet.OnChange = (sheet, row, column, value) => changed.push(`${sheet.Name}!R${row}C${column}`);

// Cells written through a method and read through a property with arguments.
const sheets = book.Sheets;
const budget = sheets.Add('Budget');
// The sheet's own event, Changed, fired through its connection point.
let heard = 0;
budget.addEventListener('Changed', (row, column, value) => { heard++; });
const rows = [['Rent', 1200], ['Food', 450.5], ['Travel', 300]];
rows.forEach(([item, amount], i) => {
  budget.SetCell(i + 1, 1, item);
  budget.SetCell(i + 1, 2, amount);
});
const amounts = budget.Range(1, 2, rows.length, 2);
console.log(`${budget.Cells(2, 1)} costs ${budget.Cells(2, 2)}; ${amounts.Address} sums to`, Application.Sum(amounts));
console.log(`${changed.length} changes seen by Sheet.OnChange, the last ${changed.at(-1)}; ${heard} by a Changed listener`);

// Methods taking and returning numbers, text, booleans, dates and 64-bit integers.
console.log('1.5 + 2.25 =', Application.Add(1.5, 2.25), '| 7 is even:', Application.IsEven(7));
console.log(Application.Greet(), Application.Greet('sheet'), Application.Repeat('ab'), Application.Repeat('ab', 3));
console.log('OLE date 45352 is', Application.FormatDate(45352), '| DateSerial(2024, 3, 1) gives',
            Application.DateSerial(2024, 3, 1).toDateString());
console.log('20! =', Application.Factorial(20), typeof Application.Factorial(20));
console.log('squares:', Application.Squares(5).join(' '), '| sum of an array:', Application.Sum([1, 2, [3, 4]]));

// A collection walked by index.
sheets.Add('Notes');
for (let i = 0; i < sheets.Count; ++i)
  console.log(`sheet ${i}: ${sheets.Item(i).Name}`);
console.log('Budget is sheet', budget.Activate(150), 'at', budget.Zoom + '%; active:', book.ActiveSheet.Name);

// A COM error caught: an Error naming the member, with the object's own
// description and its HRESULT (qorjs turns the errorObjects option on).
budget.Protected = true;
try {
  budget.Clear();
} catch (e) {
  console.log('caught:', e.message, e.number);
}

// Creatable classes: new Point(x, y) and new Point(other) pick New or New2.
const origin = new Point(), corner = new Point(3, 4);
const copy = new Point(corner);
copy.X = 6;
console.log(`${origin.Text} to ${corner.Text}:`, origin.DistanceTo(corner), '| copy moved to', copy.Text);

`${sheets.Count} sheets, total ${Application.Sum(amounts)}`;
