export function line(label, value) {
  return `${label.padEnd(14)} ${value.toFixed(3)}`;
}
