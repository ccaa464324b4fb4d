// What scripts get when COM calls fail: under qorjs, Errors that name the
// member and the argument, with the HRESULT as their number; a host that
// leaves the errorObjects option off gets the texts alone, as strings.
Include('show.js');
const app = Application;
const sheet = app.ActiveWorkbook.ActiveSheet;

// The object's own description.
sheet.Protected = true;
show('Clear on a protected sheet', () => sheet.Clear());
show('SetCell on a protected sheet', () => sheet.SetCell(1, 1, 1));
sheet.Protected = false;
show('a cell outside the sheet', () => sheet.Cells(0, 1));
show('an object in a cell', () => sheet.SetCell(1, 1, new Point()));
show('a duplicate sheet name', () => app.ActiveWorkbook.Sheets.Add('Sheet1'));
show('renaming to a taken name', () => { app.ActiveWorkbook.Sheets.Add('Other'); sheet.Name = 'Other'; });
show('an empty sheet name', () => { sheet.Name = ''; });
show('a zoom out of range', () => sheet.Activate(5));
show('Divide by 0', () => app.Divide(7, 0, 0, 0));
show('Factorial(21)', () => app.Factorial(21));
show('Factorial(-1)', () => app.Factorial(-1));
show('Repeat too long', () => app.Repeat('abc', 1000000));
show('DateSerial(2023, 2, 30)', () => app.DateSerial(2023, 2, 30));
show('FormatDate(1e7)', () => app.FormatDate(1e7));
show('Sum("abc")', () => app.Sum('abc'));
show('Sum([1, "x"])', () => app.Sum([1, 'x']));
show('ActiveWorkbook = null', () => { app.ActiveWorkbook = null; });

// The system's text for the code, when the object gives none.
show('a missing argument', () => app.Add(1));
show('a text where a number goes', () => app.IsEven('seven'));
show('FormatDate(1e300)', () => app.FormatDate(1e300));

// What the bindings themselves refuse.
show('too many arguments', () => app.Add(1, 2, 3, 4));
show('a value with no COM form', () => app.Add(1, {}));
show('a BigInt', () => app.Add(1n, 2));
show('a number its parameter cannot hold', () => app.Increment(2 ** 63));
show('a returned DATE', () => app.DateSerial(2024, 3, 1));

// A caught error is an Error with its text as description (the text alone
// where the option is off).
try {
  sheet.Activate(1000);
} catch (e) {
  console.log('caught', typeof e, '| message:', e.message, '| description:', e.description);
}
