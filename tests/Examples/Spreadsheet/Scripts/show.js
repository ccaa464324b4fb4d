// Prints "label: value", or "label threw: text" for what the call threw,
// with the HRESULT of an Error that has one.
function show(label, compute) {
  let text;
  try {
    const value = compute();
    text = `${label}: ${typeof value === 'bigint' ? value + 'n' : String(value)}`;
  } catch (e) {
    text = `${label} threw (${typeof e}): ${e}`;
    if (e instanceof Error && e.number !== undefined)
      text += ` [${e.number}]`;
  }
  console.log(text);
}
