// Collections: Count, Item by position or name, and walking them.
Include('show.js');
const book = Application.ActiveWorkbook;
const sheets = book.Sheets;
for (const name of ['Budget', 'Notes', 'Archive'])
  sheets.Add(name);

show('Count', () => sheets.Count);
const names = [];
for (let i = 0; i < sheets.Count; ++i)
  names.push(sheets.Item(i).Name);
show('walked by index', () => names.join(', '));
show('walked with an Enumerator', () => {
  const walked = [];
  for (const e = new Enumerator(sheets); !e.atEnd(); e.moveNext())
    walked.push(e.item().Name);
  return walked.join(', ');
});
show('walked with for...of', () => Array.from(sheets, (sheet) => sheet.Name).join(', '));
show('Item by name', () => sheets.Item('Notes').Name);
show('Item by a numeric text is by name', () => sheets.Item('1'));
show('Item past the end', () => sheets.Item(4));
show('Item of an unknown name', () => sheets.Item('Nope'));
show('Item of an object', () => sheets.Item(new Point()));
show('Item of undefined', () => sheets.Item(undefined));
show('the same sheet twice is the same wrapper', () => sheets.Item(1) === sheets.Item('Budget'));
show('each Sheets read is a new collection', () => book.Sheets === book.Sheets);
show('script indexing is not bound', () => sheets[0]);

// A sheet keeps its place; Activate tells it.
show('Activate gives the position', () => sheets.Item('Archive').Activate());
show('ActiveSheet', () => book.ActiveSheet.Name);

// A range is a collection too, walked through Item or through its enumerator (Sum).
const sheet = sheets.Item('Budget');
[[1, 1, 10], [1, 2, 20], [2, 1, 30], [2, 2, 40]].forEach(([row, column, value]) => sheet.SetCell(row, column, value));
const range = sheet.Range(1, 1, 2, 2);
const values = [];
for (let i = 0; i < range.Count; ++i)
  values.push(range.Item(i));
show('range walked by index', () => values.join(' '));
show('range summed through its enumerator', () => Application.Sum(range));
show('range spread', () => [...range].join(' '));
show('range index past the end', () => range.Item(4));
