// Run with: qorjs --module examples/modules/main.mjs
// Relative imports are found beside this file, wherever qorjs is started.
import { area, Circle } from './lib/shapes.mjs';
import * as format from './lib/format.mjs';

const shapes = [new Circle(1), new Circle(2.5)];
for (const shape of shapes)
  console.log(format.line(shape.name, area(shape)));

const lazy = await import('./lib/format.mjs');
console.log(lazy.line('total', shapes.reduce((sum, s) => sum + area(s), 0)));
