#!/usr/bin/env python3
"""Benchmark group `peers`: whole searches with mollwick-cli beside fdupes,
jdupes, rmlint and rdfind over the same generated trees, wall time and peak
memory, and whether the groups found agree."""
import argparse
import os
import shutil
import tempfile

import benchlib


def read_blocks(path, skip_header=False):
    """Groups written as paths one per line, an empty line between groups."""
    groups, current = [], []
    with open(path, "rb") as text:
        for raw in text:
            line = raw.rstrip(b"\n")
            if line:
                current.append(line)
            elif current:
                groups.append(current)
                current = []
    if current:
        groups.append(current)
    return groups


def read_rdfind(path):
    groups = {}
    with open(path, "rb") as text:
        for raw in text:
            if raw.startswith(b"#"):
                continue
            fields = raw.rstrip(b"\n").split(b" ", 7)
            groups.setdefault(abs(int(fields[1])), []).append(fields[7])
    return list(groups.values())


def normalised(groups):
    """Groups as sets of paths; groups of empty files are left out, since the
    tools treat empty files differently by default."""
    result = set()
    for group in groups:
        if len(group) > 1 and os.path.getsize(group[0]) > 0:
            result.add(frozenset(group))
    return result


def tools(cli, tree, out):
    """(name, command, how its output is read)."""
    return [
        ("mollwick-cli", f"'{cli}' -r -a -q '{tree}' > '{out}'", read_blocks),
        ("fdupes", f"fdupes -r -q '{tree}' > '{out}'", read_blocks),
        ("jdupes", f"jdupes -r -q '{tree}' > '{out}'", read_blocks),
        ("rmlint", f"rmlint -T df --hidden -o fdupes:'{out}' '{tree}' > /dev/null", read_blocks),
        ("rdfind", f"rdfind -outputname '{out}' -dryrun true '{tree}' > /dev/null", read_rdfind),
    ]


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("--cli", required=True)
    parser.add_argument("--workdir", default=None)
    parser.add_argument("--small-files", type=int, default=30000)
    parser.add_argument("--large-size", default="800m")
    parser.add_argument("--equal-files", type=int, default=3000)
    parser.add_argument("--repeat", type=int, default=3)
    args = parser.parse_args()

    gen = os.path.join(here, "gen_tree.py")
    work = tempfile.mkdtemp(prefix="mollwick-peers-", dir=args.workdir)
    table, lines = [], []
    try:
        trees = [
            ("small", ["small", str(args.small_files), "--seed", "21"]),
            ("large", ["large", "100000", "--total-size", args.large_size, "--seed", "22"]),
            ("equal", ["equal", str(args.equal_files), "--max-size", "128k", "--seed", "23"]),
        ]
        for label, recipe in trees:
            tree = os.path.join(work, label)
            benchlib.generate(gen, tree, recipe[0], recipe[1], *recipe[2:])
            files = benchlib.count_files(tree)
            benchlib.warm(tree)
            scratch = os.path.join(work, "out")
            os.makedirs(scratch, exist_ok=True)

            measured = {}
            for name, cmd, reader in tools(args.cli, tree, os.path.join(scratch, "groups")):
                wall, peak = benchlib.best_of(args.repeat, cmd, shell=True, cwd=scratch)
                groups = normalised(reader(os.path.join(scratch, "groups")))
                measured[name] = (wall, peak, groups)
            ours = measured["mollwick-cli"]
            for name, (wall, peak, groups) in measured.items():
                if groups == ours[2]:
                    agree = "same groups"
                else:
                    agree = (f"differ: {len(ours[2] - groups)} only ours, "
                             f"{len(groups - ours[2])} only theirs")
                table.append((label, files, "content", name, wall, peak, len(groups), agree))
                if name != "mollwick-cli":
                    lines.append((f"peers.content_{label}.{name}", ours[0], "s", name, wall))
                    lines.append((f"peers.content_{label}_memory.{name}", ours[1] / 2**20,
                                  "MiB", name, peak / 2**20))

            # No peer compares by name alone; find is what any name search must do.
            wall, peak = benchlib.best_of(args.repeat, [args.cli, "-n", "-r", "-a", "-q", tree])
            ref, ref_peak = benchlib.best_of(args.repeat, ["find", tree, "-type", "f"])
            table.append((label, files, "name", "mollwick-cli", wall, peak, "-", ""))
            table.append((label, files, "name", "find -type f", ref, ref_peak, "-", ""))
            lines.append((f"peers.name_{label}", wall, "s", "find", ref))
            shutil.rmtree(tree, ignore_errors=True)

        print(f"{'tree':6} {'files':>7} {'mode':8} {'tool':14} {'wall s':>8} {'peak MiB':>9} "
              f"{'groups':>7}  agreement")
        for label, files, mode, name, wall, peak, groups, agree in table:
            print(f"{label:6} {files:7d} {mode:8} {name:14} {wall:8.3f} {peak / 2**20:9.1f} "
                  f"{groups!s:>7}  {agree}")
        print()
        for name, ours, unit, ref_name, ref in lines:
            benchlib.summary(name, ours, unit, ref_name, ref, precision=3 if unit == "s" else 1)
    finally:
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    main()
