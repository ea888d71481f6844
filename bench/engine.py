#!/usr/bin/env python3
"""Benchmark group `engine`: a whole search through the worker and its
messages (mollwick-cli drives it exactly as the window does) against the
plain tools over the same files, and the peak memory per file."""
import argparse
import os
import shutil
import subprocess
import tempfile

import benchlib


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("--cli", required=True, help="the mollwick-cli to time")
    parser.add_argument("--workdir", default=None, help="where the trees go (default: /tmp)")
    parser.add_argument("--small-files", type=int, default=30000)
    parser.add_argument("--large-size", default="800m")
    parser.add_argument("--memory-files", type=int, default=300000)
    parser.add_argument("--repeat", type=int, default=3)
    args = parser.parse_args()

    gen = os.path.join(here, "gen_tree.py")
    work = tempfile.mkdtemp(prefix="mollwick-engine-", dir=args.workdir)
    try:
        small = os.path.join(work, "small")
        large = os.path.join(work, "large")
        many = os.path.join(work, "many")
        empty = os.path.join(work, "empty")
        benchlib.generate(gen, small, "small", args.small_files, "--seed", "11")
        benchlib.generate(gen, large, "large", 100000, "--total-size", args.large_size,
                          "--seed", "12")
        benchlib.generate(gen, many, "small", args.memory_files, "--max-size", "512",
                          "--seed", "13")
        os.makedirs(empty)

        rows = []
        for label, tree in (("content_small", small), ("content_large", large)):
            benchlib.warm(tree)
            # Every file read in full, as the support switch does it: the cost of
            # reading and hashing against the plain reference.
            ours, _ = benchlib.best_of(
                args.repeat, [args.cli, "--read-every-file", "-r", "-a", "-q", tree])
            ref, _ = benchlib.best_of(
                args.repeat, f"find '{tree}' -type f -print0 | xargs -0 sha1sum > /dev/null",
                shell=True)
            rows.append((f"engine.{label}", ours, "s", "sha1sum", ref))

        # By name nothing is read but the listings.
        subprocess.run(["find", many, "-type", "f"], stdout=subprocess.DEVNULL, check=True)
        ours, peak = benchlib.best_of(args.repeat, [args.cli, "-n", "-r", "-a", "-q", many])
        ref, _ = benchlib.best_of(args.repeat, ["find", many, "-type", "f"])
        rows.append(("engine.name", ours, "s", "find", ref))
        # find -type f needs no details of a file; a search records each file's
        # size and time, so a walk that reads them too is the closer floor.
        stat_walk, _ = benchlib.best_of(
            args.repeat, ["find", many, "-type", "f", "-printf", "%s %T@\n"])
        rows.append(("engine.name_vs_stat_walk", ours, "s", "find -printf '%s %T@'", stat_walk))

        # What the results cost: peak memory above that of a search of nothing.
        _, base = benchlib.best_of(1, [args.cli, "-n", "-q", empty])
        files = benchlib.count_files(many)
        per_file = (peak - base) / files
        rows.append((f"engine.memory_per_file({files} files, by name)", per_file, "B/file",
                     "aim", 400.0))

        for name, ours, unit, ref_name, ref in rows:
            benchlib.summary(name, ours, unit, ref_name, ref,
                             precision=0 if unit == "B/file" else 3)
    finally:
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    main()
