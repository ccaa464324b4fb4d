// new X(...) calls New or New2 on an object the class's creator makes; the
// overload is picked by which arguments are objects.
Include('show.js');

show('new Point()', () => new Point().Text);
show('new Point(3, 4)', () => new Point(3, 4).Text);
show('new Point(1.5)', () => new Point(1.5).Text);
const p = new Point(3, 4);
show('new Point(p) copies through New2', () => { const q = new Point(p); q.X = 6; return [p.Text, q.Text].join(' '); });
show('new Point(null) goes to New', () => new Point(null).Text);
show('new Point("a")', () => new Point('a').Text);
show('new Point(1, 2, 3)', () => new Point(1, 2, 3).Text);
show('Point.New(5, 6), the older form', () => Point.New(5, 6).Text);
show('a point is an instance', () => p instanceof Point);
show('DistanceTo', () => new Point().DistanceTo(p));
show('new Workbook()', () => new Workbook().Name);
show('new Workbook("Plans") has a sheet', () => new Workbook('Plans').ActiveSheet.Name);
show('the global object is no constructor', () => typeof Application);
show('an interface with New has no creator', () => new IPoint(1, 2));
show('an interface without New', () => new ISheet());
