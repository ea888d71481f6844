"""Shared helpers of the benchmark groups: timing a command, its peak memory,
and the summary line every group prints."""
import os
import subprocess
import sys
import tempfile
import time


def timed(cmd, stdout=subprocess.DEVNULL, cwd=None, shell=False):
    """Runs cmd once under /usr/bin/time -v; returns (wall seconds, peak RSS bytes)."""
    with tempfile.NamedTemporaryFile("r", suffix=".time") as report:
        wrapped = ["/usr/bin/time", "-v", "-o", report.name]
        wrapped += ["bash", "-c", cmd] if shell else list(cmd)
        start = time.perf_counter()
        done = subprocess.run(wrapped, stdout=stdout, stderr=subprocess.PIPE, cwd=cwd)
        wall = time.perf_counter() - start
        rss_kib = 0
        for line in report.read().splitlines():
            if "Maximum resident set size" in line:
                rss_kib = int(line.rsplit(":", 1)[1])
    if done.returncode not in (0, 2):  # 2: mollwick-cli could not list a folder
        sys.stderr.write(done.stderr.decode(errors="replace"))
        raise SystemExit(f"failed ({done.returncode}): {cmd}")
    return wall, rss_kib * 1024


def best_of(repeats, cmd, **kwargs):
    """The fastest of several runs (the machine is shared), with its peak memory."""
    runs = [timed(cmd, **kwargs) for _ in range(repeats)]
    return min(runs, key=lambda run: run[0])


def warm(folder):
    """Reads every file once so that all contenders start from the page cache."""
    subprocess.run(["bash", "-c", f"find '{folder}' -type f -print0 | xargs -0 cat > /dev/null"],
                   check=True)


def summary(name, ours, unit, reference_name, reference, precision=3):
    ratio = ours / reference if reference else float("inf")
    print(f"{name}  {ours:.{precision}f} {unit}  |  {reference_name}: "
          f"{reference:.{precision}f} {unit}  |  ratio {ratio:.2f}", flush=True)


def count_files(folder):
    return sum(len(files) for _, _, files in os.walk(folder))


def generate(gen, out, mode, files, *extra):
    subprocess.run([sys.executable, gen, out, "--mode", mode, "--files", str(files), *extra],
                   check=True)
