export class Circle {
  constructor(radius) {
    this.radius = radius;
    this.name = `circle r=${radius}`;
  }
}

export function area(shape) {
  return Math.PI * shape.radius ** 2;
}
