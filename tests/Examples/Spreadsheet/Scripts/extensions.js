// What qorjs --com-extensions adds: DATEs as script Dates both ways, and the
// event Changed that a sheet fires through its connection point.
Include('show.js');

const sheet = Application.ActiveWorkbook.ActiveSheet;
const day = Application.DateSerial(2024, 3, 1);
show('a DATE comes back as a Date', () => `${day instanceof Date} ${day.getFullYear()}-${day.getMonth() + 1}-${day.getDate()}`);
show('a Date goes to COM in local time', () => Application.FormatDate(new Date(2024, 2, 1, 12, 30)));
show('before 1900 too', () => Application.FormatDate(new Date(1899, 11, 29, 6)));
sheet.SetCell(1, 1, new Date(2024, 11, 24, 18, 30));
show('a cell keeps a date', () => sheet.Cells(1, 1).getHours() + ':' + sheet.Cells(1, 1).getMinutes());
show('an invalid Date is refused', () => sheet.SetCell(1, 2, new Date(NaN)));

const changes = [];
function listener(row, column, value) { changes.push(`R${row}C${column}=${value}`); }
sheet.addEventListener('Changed', listener);
sheet.SetCell(2, 1, 'first');
sheet.SetCell(2, 2, 3.5);
show('each change reaches the listener', () => changes.join(' '));
sheet.removeEventListener('Changed', listener);
sheet.SetCell(3, 1, 'unheard');
show('a listener removed hears no more', () => changes.length);

// As scripts written for classic hosts bind events: by function name.
const seen = [];
function budget_Changed(row, column) { seen.push(`${row},${column}`); }
ConnectObject(sheet, 'budget_');
sheet.SetCell(4, 4, 1);
DisconnectObject(sheet);
sheet.SetCell(5, 5, 1);
show('ConnectObject calls budget_Changed', () => seen.join(' '));

show('an object without events says so', () => new Point().addEventListener('Changed', listener));
