// Per-call nanoseconds of the addon's increment(i), in the same script loop
// as BindingBenchmarks: the median of many rounds of `calls` calls, the
// first of which warm the code up.
const addon = require(process.argv[2]);
const calls = 100000;
const rounds = Number(process.argv[3] || 200);

function run() {
    let r;
    for (let i = 0; i < calls; ++i)
        r = addon.increment(i);
    return typeof r;
}

const perCall = [];
for (let round = 0; round < rounds; ++round) {
    const start = process.hrtime.bigint();
    run();
    perCall.push(Number(process.hrtime.bigint() - start) / calls);
}
perCall.sort((a, b) => a - b);
console.log(perCall[Math.floor(rounds / 2)].toFixed(2));
