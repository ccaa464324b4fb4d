#!/usr/bin/env python3
"""Script calls into COM beside their peer: an empty N-API call in Node.

Builds a one-function N-API addon against the machine's Node headers, times
its calls in Node's own loop, and runs BindingBenchmarks' floor (a bare V8
callback) and COM calls in turn with it, several rounds, so that all figures
come from the same minutes of a noisy machine. Prints the medians in
nanoseconds per call and as ratios to the floor and to the N-API call.

    bench/Peer/napi_peer.py build/default/bench/BindingBenchmarks [--rounds N]

Where Node or its headers are missing it says so and exits 0.
"""

import argparse
import json
import os
import shutil
import statistics
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
BENCHMARKS = {
    "BM_BareCallback": "bare V8 callback, int in and out (floor)",
    "BM_MethodHandWrittenInvoke": "sheet.Activate(1), hand-written Invoke",
    "BM_MethodTypeInfoInvoke": "sheet.Activate(1), ITypeInfo::Invoke",
    "BM_PropertyGetString": "property get returning a short string",
}


def skip(reason):
    print(f"napi_peer: skipped: {reason}")
    sys.exit(0)


def node_headers(node):
    prefix = subprocess.run([node, "-p", "require('path').dirname(require('path').dirname(process.execPath))"],
                            capture_output=True, text=True, check=True).stdout.strip()
    for folder in (os.path.join(prefix, "include", "node"), "/usr/include/node", "/usr/local/include/node"):
        if os.path.exists(os.path.join(folder, "node_api.h")):
            return folder
    return None


def build_addon(folder, headers):
    compiler = shutil.which(os.environ.get("CC", "cc"))
    if compiler is None:
        skip("no C compiler")
    addon = os.path.join(folder, "increment.node")
    subprocess.run([compiler, "-O2", "-shared", "-fPIC", "-I", headers, os.path.join(HERE, "napi_increment.c"),
                    "-o", addon], check=True)
    return addon


def napi_per_call(node, addon):
    out = subprocess.run([node, os.path.join(HERE, "napi_loop.js"), addon], capture_output=True, text=True, check=True)
    return float(out.stdout.strip())


def binding_per_call(binary):
    pattern = "^(" + "|".join(BENCHMARKS) + ")$"
    out = subprocess.run([binary, f"--benchmark_filter={pattern}", "--benchmark_format=json"],
                         capture_output=True, text=True, check=True).stdout
    figures = {}
    for run in json.loads(out)["benchmarks"]:
        figures[run["name"]] = run["per_call"] * 1e9
    return figures


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("binding_benchmarks", help="the BindingBenchmarks program")
    parser.add_argument("--rounds", type=int, default=5, help="rounds of both, in turn (default 5)")
    options = parser.parse_args()

    node = shutil.which("node") or shutil.which("nodejs")
    if node is None:
        skip("no node on PATH")
    headers = node_headers(node)
    if headers is None:
        skip("no node_api.h for " + node)

    samples = {name: [] for name in BENCHMARKS}
    samples["napi"] = []
    with tempfile.TemporaryDirectory() as folder:
        addon = build_addon(folder, headers)
        for _ in range(options.rounds):
            samples["napi"].append(napi_per_call(node, addon))
            for name, value in binding_per_call(options.binding_benchmarks).items():
                samples[name].append(value)

    median = {name: statistics.median(values) for name, values in samples.items() if values}
    floor = median["BM_BareCallback"]
    napi = median["napi"]
    version = subprocess.run([node, "--version"], capture_output=True, text=True).stdout.strip()
    rows = [(BENCHMARKS["BM_BareCallback"], floor), (f"empty N-API call, int in and out (Node {version})", napi)]
    rows += [(BENCHMARKS[name], median[name]) for name in BENCHMARKS if name != "BM_BareCallback"]
    print(f"medians of {options.rounds} rounds, ns per call")
    print(f"{'measure':<48} {'ns':>8} {'x floor':>8} {'x N-API':>8}")
    for label, value in rows:
        print(f"{label:<48} {value:8.1f} {value / floor:8.2f} {value / napi:8.2f}")


if __name__ == "__main__":
    main()
