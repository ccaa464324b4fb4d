// @ts-check
// The sample spreadsheet model, type-checked before it runs: the model's own
// declarations come from qorjs, the console's with it.
//   qorjs --com-extensions --host build/default/examples/Spreadsheet/libQorSpreadsheet.so --dts > spreadsheet.d.ts
//   tsc --noEmit --allowJs --checkJs --strict --target es2022 --lib es2022,scripthost \
//       spreadsheet.d.ts tools/qorjs/qorjs-console.d.ts examples/checked.js
//   qorjs --com-extensions --host build/default/examples/Spreadsheet/libQorSpreadsheet.so examples/checked.js

const book = new Workbook('Plan');
const sheet = book.ActiveSheet;
sheet.Name = 'Costs';

// The sheet's own event, with the arguments of its event interface;
// --com-extensions gives COM objects addEventListener.
let changes = 0, lastRow = 0;
sheet.addEventListener('Changed', (row) => { changes++; lastRow = row; });
/** @type {[string, number][]} */
const costs = [['Rent', 1200], ['Food', 450.5], ['Travel', 300]];
costs.forEach(([item, amount], row) => {
  sheet.SetCell(row + 1, 1, item);
  sheet.SetCell(row + 1, 2, amount);
});
const amounts = sheet.Range(1, 2, costs.length, 2);
console.log(`${amounts.Address} sums to ${Application.Sum(amounts)} after ${changes} changes, the last in row ${lastRow}`);

// for...of over a collection gives the type of its items.
book.Sheets.Add('Notes');
const names = [];
for (const each of book.Sheets)
  names.push(each.Name);
console.log(`${book.Name}: ${names.join(', ')}`);

// 64-bit results are BigInts; with --com-extensions dates are Dates.
const factorial = Application.Factorial(20);
const day = Application.DateSerial(2024, 3, 1);
console.log(`20! = ${factorial + 1n - 1n}; ${day.getFullYear()}-${day.getMonth() + 1}-${day.getDate()}`);

// Constructors pick their overload by what the arguments are.
const corner = new Point(3, 4);
console.log(`${new Point().DistanceTo(corner)} to ${new Point(corner).Text}`);

// The exit status says whether the book got both sheets.
process.exitCode = names.length === 2 ? 0 : 1;
