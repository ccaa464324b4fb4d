// Prints "label: value", or "label threw: text" for what the call threw.
function show(label, compute) {
  let text;
  try {
    const value = compute();
    text = `${label}: ${typeof value === 'bigint' ? value + 'n' : String(value)}`;
  } catch (e) {
    text = `${label} threw (${typeof e}): ${e}`;
  }
  console.log(text);
}
