// A COM object calling back into the script: a sheet calls
// Sheet.OnChange(sheet, row, column, value) whenever one of its cells changes.
Include('show.js');

const book = Application.ActiveWorkbook, sheet = book.ActiveSheet;
show('no handler yet', () => { sheet.SetCell(1, 1, 'quiet'); return sheet.Cells(1, 1); });

const seen = [];
Sheet.OnChange = function (changed, row, column, value) {
  seen.push(`${changed.Name}!R${row}C${column}=${value}`);
  return 'ignored';
};
sheet.SetCell(2, 1, 'first');
sheet.SetCell(2, 2, 3.5);
show('each change calls the handler with its arguments in order', () => seen.join(' '));

let same;
Sheet.OnChange = (changed) => { same = changed === sheet; };
sheet.SetCell(3, 1, true);
show('the sheet arrives as the script object it already is', () => same);

// A handler that changes cells itself: its calls nest, each one level deeper.
const depths = [];
Sheet.OnChange = function (changed, row, column, value) {
  depths.push(row);
  if (row < 5)
    changed.SetCell(row + 1, column, value + 1);
};
sheet.SetCell(1, 4, 1);
show('nested changes reach the handler in order', () => depths.join(','));
show('and leave their values', () => [1, 2, 3, 4, 5].map(r => sheet.Cells(r, 4)).join(','));

const other = new Workbook('Other').ActiveSheet;
Sheet.OnChange = (changed, row) => { seen.push(`${changed.Name}!R${row}`); };
other.SetCell(7, 1, 'x');
show('a sheet of a workbook the script made raises it too', () => seen.at(-1));

Sheet.OnChange = undefined;
show('a handler removed is not called', () => { sheet.SetCell(6, 6, 'x'); return depths.length; });
