// Asynchronous work of a COM object, awaited by a module: the sample sheet
// sums a column on a worker thread, and its Changed event tells when done.
//   qorjs --com-extensions --host build/default/examples/Spreadsheet/libQorSpreadsheet.so -m examples/background.mjs
const sheet = Application.ActiveWorkbook.Sheets.Add('Background');
[1200, 450.5, 300].forEach((amount, i) => sheet.SetCell(i + 1, 1, amount));

// The value the next change of `row` brings.
const changeOf = (row) => new Promise((resolve) => {
  const listener = (changedRow, column, value) => {
    if (changedRow !== row)
      return;
    sheet.removeEventListener('Changed', listener);
    resolve(value);
  };
  sheet.addEventListener('Changed', listener);
});

const total = changeOf(4);
sheet.SumInBackground(1, 1, 3, 4);
console.log('summing in the background; row 4 holds', sheet.Cells(4, 1));
console.log('total:', await total, '| row 4 holds', sheet.Cells(4, 1));
