// What console.log and its kin print, as Node prints it: run by the qorjs
// fault suite against console.out (stdout) and console.err (stderr).
const nested = { a: 1, b: [1, 2, { c: 3 }], deep: { d: { e: { f: {} } } } };
nested.self = nested;
console.log(nested);
console.log('a', Symbol('s'), 'b', 10n, -0, null, undefined, [undefined, , 3]);
console.log(new Map([['k', { v: [1, 2] }]]), new Set(['x', 1]), new Uint8Array([1, 2]), new Date(0), /a\/b/gi);
class Point2 { constructor() { this.x = 1; } get y() { return 2; } }
console.log(new Point2(), Object.create(null), { get g() { return 1; }, set s(v) {} }, [function f() {}, class K {}]);
console.log(["it's", 'say "hi"', 'tab\there', 'x'.repeat(30)], { 'a-b': 1, ok: 2, [Symbol('k')]: 3 });
console.log(Array.from({ length: 26 }, (_, i) => i * 7));
console.log(Array.from({ length: 120 }, (_, i) => i).length, new Array(150).fill(0));
console.log('%s|%d|%i|%f|%j|%o|%O|%c|%%|%x', 'str', '42', '7.9px', '1.5e1', { j: 1 }, [1], { O: { O: { O: {} } } }, 'css');
console.log('%s and %s', { toString() { return 'own text'; } }, { plain: true }, 'rest');
console.log(Promise.resolve(4), new WeakMap(), [new Number(1), new String('s'), Object(2n)]);
const withProperties = Object.assign(new TypeError('typed'), { code: 'E_CODE' });
withProperties.stack = 'TypeError: typed\n    at frame (file.js:1:2)';
console.log([withProperties]);
console.dir({ a: { b: { c: { d: { e: 1 } } } } }, { depth: null });
console.dir('dir quotes strings');
console.table([{ a: 1, b: 'two' }, { a: 3, c: [1, 2, 3, 4] }]);
console.table(new Map([['key', 'value']]));
console.table(5);
console.group('group');
console.log('indented\nboth lines');
console.groupEnd();
console.count(); console.count(); console.count('other'); console.countReset(); console.count();
console.info('info'); console.debug('debug');
console.warn('warn %d', 1);
console.error(withProperties);
console.assert(true, 'not shown');
console.assert(false, 'assertion %s', 'failed');
console.countReset('never counted');
