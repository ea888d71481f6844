#!/usr/bin/env python3
"""Turns the two sha1_bench JSON reports into summary lines (tab-separated).

argv[1]: our functions and OpenSSL as it starts (SHA extensions on);
argv[2]: OpenSSL alone with its SHA extensions turned off.
Each figure is the median of the repetitions.
"""
import json
import sys


def medians(path):
    with open(path) as f:
        report = json.load(f)
    out = {}
    for b in report["benchmarks"]:
        if b.get("error_occurred"):
            continue
        if b.get("run_type") == "aggregate" and b.get("aggregate_name") != "median":
            continue
        out[b["run_name"]] = b
    return out


def mb_per_s(b):
    return b["bytes_per_second"] / 1e6


def seconds(b):
    # Process CPU time (user and system, so the copies out of the page cache count)
    # for one iteration, which hashes the whole file. Other work on the machine
    # barely moves it, unlike wall time.
    scale = {"ns": 1e-9, "us": 1e-6, "ms": 1e-3, "s": 1.0}[b["time_unit"]]
    return b["cpu_time"] * scale


def line(figure, ours, ref_name, ref, cost_ratio, fmt, unit):
    return f"sha1.{figure}\t{fmt.format(ours)} {unit}\t|  {ref_name}: {fmt.format(ref)} {unit}\t|  ratio {cost_ratio:.2f}"


def main():
    with_ext = medians(sys.argv[1])
    without_ext = medians(sys.argv[2])
    rows = []
    sizes = [("64", "64B"), ("4096", "4KiB"), ("524288", "512KiB")]
    for fn, ref_name, ref_set in (("portable", "OpenSSL no SHA-ext", without_ext),
                                  ("shaext", "OpenSSL SHA-ext", with_ext)):
        for arg, label in sizes:
            ours = with_ext.get(f"OursAddBytes/{fn}/{arg}")
            ref = ref_set.get(f"OpenSslAddBytes/{arg}")
            if ours is None or ref is None:
                rows.append(f"sha1.add_{label}_{fn}\tskipped")
                continue
            rows.append(line(f"add_{label}_{fn}", mb_per_s(ours), ref_name, mb_per_s(ref),
                             mb_per_s(ref) / mb_per_s(ours), "{:.0f}", "MB/s"))
        ours = with_ext.get(f"OursFile/{fn}/iterations:1")
        ref = ref_set.get("OpenSslFile/iterations:1")
        if ours is None or ref is None:
            rows.append(f"sha1.file_1GiB_{fn}\tskipped")
        else:
            rows.append(line(f"file_1GiB_{fn}", seconds(ours), ref_name, seconds(ref),
                             seconds(ours) / seconds(ref), "{:.3f}", "s"))
    print("\n".join(rows))


if __name__ == "__main__":
    main()
