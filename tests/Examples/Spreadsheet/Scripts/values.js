// How each kind of value goes between scripts and COM.
Include('show.js');
const app = Application;

// Into COM: Describe reports the VARIANT each script value becomes.
for (const [label, value] of [['0', 0], ['-1', -1], ['2147483647', 2147483647], ['2147483648', 2147483648],
                              ['4294967295', 4294967295], ['4294967296', 4294967296], ['1.5', 1.5], ['NaN', NaN],
                              ["'text'", 'text'], ["''", ''], ['true', true], ['false', false], ['null', null],
                              ['undefined', undefined]])
  show(`Describe(${label})`, () => app.Describe(value));
show('Describe()', () => app.Describe());
show('Describe(a COM object)', () => app.Describe(new Point(1, 2)));
show('Describe(the global object)', () => app.Describe(Application));
show('Describe(an array)', () => app.Describe([1, 2]));

// Numbers, text and booleans both ways.
show('Add(1.5, 2.25)', () => app.Add(1.5, 2.25));
show('Add(1, "2") coerces the text', () => app.Add(1, '2'));
show('IsEven(7)', () => app.IsEven(7));
show('IsEven(8)', () => app.IsEven(8));
show('Choose(true, 1, "b")', () => app.Choose(true, 1, 'b'));
show('Choose(0, 1, "b")', () => app.Choose(0, 1, 'b'));
show('Repeat("ab")', () => app.Repeat('ab'));
show('Repeat("é😀", 2)', () => app.Repeat('é😀', 2));
show('Repeat("a\\0b") keeps what follows U+0000', () => JSON.stringify(app.Repeat('a\0b')));
show('Greet()', () => app.Greet());
show('Greet("you")', () => app.Greet('you'));

// Dates go in as OLE date numbers; a returned DATE has no script form.
show('FormatDate(45352)', () => app.FormatDate(45352));
show('FormatDate(45352.75)', () => app.FormatDate(45352.75));
show('FormatDate(-1.25)', () => app.FormatDate(-1.25));
show('DateSerial(2024, 3, 1)', () => app.DateSerial(2024, 3, 1));

// 64-bit integers come back as BigInts; scripts pass numbers.
show('Factorial(20)', () => app.Factorial(20));
show('Increment(41)', () => app.Increment(41));
show('Increment(2 ** 40)', () => app.Increment(2 ** 40));
show('Increment(41n)', () => app.Increment(41n));

// Safe arrays come back as script arrays.
show('Squares(4)', () => JSON.stringify(app.Squares(4)));
show('Squares(0)', () => JSON.stringify(app.Squares(0)));
show('Mixed()', () => JSON.stringify(app.Mixed().slice(0, 6)));
show('Mixed() holds an object', () => app.Mixed()[6].Name);

// Sum takes a number, a collection, or a script array, nested or not.
show('Sum(5)', () => app.Sum(5));
show('Sum([1, 2, [3, [4.5]]])', () => app.Sum([1, 2, [3, [4.5]]]));
show('Sum([])', () => app.Sum([]));
show('Sum(Squares(3))', () => app.Sum(app.Squares(3)));
const sheet = app.ActiveWorkbook.ActiveSheet;
sheet.SetCell(1, 1, 2);
sheet.SetCell(2, 2, '3');
show('Sum of a range, empty cells left out', () => app.Sum(sheet.Range(1, 1, 2, 2)));

// [out] parameters: a script has no references to give.
show('Divide(7, 2)', () => app.Divide(7, 2));
show('Divide(7, 2, 0, 0)', () => app.Divide(7, 2, 0, 0));
