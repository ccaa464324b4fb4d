// A first script: qorjs prints the value of the last expression.
function greet(name) {
  return `Hello, ${name}!`;
}

const squares = [1, 2, 3, 4].map((n) => n * n);
console.log('squares:', squares.join(' '));

greet('QorJavaScriptCom') + ' 6 * 7 = ' + 6 * 7;
