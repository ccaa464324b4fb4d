// Each kind of member of the sample model, as scripts use it.
Include('show.js');

// Properties of the global object, read-only and read-write.
show('Application.Name', () => Application.Name);
show('Application.Version', () => Application.Version);
show('assigning a read-only property is ignored', () => { Application.Name = 'x'; return Application.Name; });
show('the global object has no constructor', () => typeof Application.New);

// A property that returns another object, and one that takes an object.
const book = Application.ActiveWorkbook;
show('ActiveWorkbook.Name', () => book.Name);
show('the same object twice is the same wrapper', () => Application.ActiveWorkbook === book);
show('writing Name', () => { book.Name = 'Household'; return Application.ActiveWorkbook.Name; });
show('putting an object', () => { Application.ActiveWorkbook = new Workbook('Plans'); return Application.ActiveWorkbook.Name; });
show('the old workbook lives on in the script', () => book.Name);

// A get with arguments is called like a method; cells are written by a method.
const sheet = Application.ActiveWorkbook.ActiveSheet;
show('Cells is a method', () => typeof sheet.Cells);
show('an empty cell', () => sheet.Cells(1, 1));
show('SetCell returns nothing', () => sheet.SetCell(1, 1, 'Rent'));
show('a text cell', () => sheet.Cells(1, 1));
show('a number cell', () => { sheet.SetCell(1, 2, 1200); return sheet.Cells(1, 2) + 1; });
show('a boolean cell', () => { sheet.SetCell(2, 1, true); return sheet.Cells(2, 1); });
show('a null cell', () => { sheet.SetCell(2, 2, null); return sheet.Cells(2, 2); });
show('undefined empties a cell', () => { sheet.SetCell(2, 1, undefined); return sheet.Cells(2, 1); });

// Methods with default and optional parameters.
show('Activate() takes its default zoom', () => [sheet.Activate(), sheet.Zoom].join());
show('Activate(150)', () => [sheet.Activate(150), sheet.Zoom].join());
show('a boolean property', () => { sheet.Protected = true; const was = sheet.Protected; sheet.Protected = false; return [was, sheet.Protected].join(); });

// A range reads the cells as they are.
const range = sheet.Range(2, 2, 1, 1);
show('Range corners in any order', () => range.Address);
show('Range.Count', () => range.Count);
show('Range.Item(1)', () => range.Item(1));
show('Range sees later writes', () => { sheet.SetCell(2, 1, 7); return range.Item(2); });

// Members that are plumbing stay out of sight; _NewEnum gives no script value.
show('no QueryInterface', () => typeof sheet.QueryInterface);
show('_NewEnum', () => range._NewEnum);
