#!/usr/bin/env python3
"""Start-up and idle cost of gxplay against a bare floor program (bench/floor/gx_floor.cpp).

Start-up: gxplay (headless, unpaced, one frame, on a temporary copy of demo/ without its opening
movie, as in every case below) and the floor (SDL offscreen video + EGL surfaceless + GL 3.3
core context + one 1024x768 target + clear + read-back) run alternately, 20 times each by default. Printed: the median of the per-pair
ratios of wall time and of CPU time (user + system), and the median RSS difference.

Title: gxplay (headless, unpaced) in a fresh copy of demo/ each run, to the first presented
frame with the title screen current (GX_FIRST_FRAME_OF=SeqTitle; GX_START_STAMP is taken just
before the program starts, and the program reports that frame's time against it, with its CPU
time and peak RSS so far), alternating with the floor, 20 times each by default. Printed: the
medians of the wall and CPU ratios and of the RSS difference, against the targets (1.25x of the
floor's wall and CPU time, at most +16 MiB peak RSS), and the GL renderer. For scale, the same
against a second floor that also draws one 1024x768 picture (`gx_floor startup-draw`): what
showing any picture costs on this renderer. A run whose error log is not empty (a picture,
font, table or the script missing) stops the case.

Idle: gxplay in a window and the floor's bare SDL+GL loop (clear and present at 60 frames per
second, sleeping to each boundary) each run for a while; the CPU time of 10 s in their steady
state (from 2 s after the start) is compared. Without a display the script starts Xvfb, which
it installs with apt-get (root) when it is missing.

Usage: python3 bench/startup.py [--build build] [--runs 20] [--idle-seconds 10] [--no-idle] [--no-title]
Standard library only.
"""
import argparse
import os
import shutil
import signal
import statistics
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(HERE)
TICK = os.sysconf("SC_CLK_TCK")


def build_floor(out_dir):
    exe = os.path.join(out_dir, "gx_floor")
    flags = subprocess.run(["pkg-config", "--cflags", "--libs", "sdl2", "egl", "gl"],
                           check=True, capture_output=True, text=True).stdout.split()
    subprocess.run(["c++", "-O2", "-std=c++17", "-o", exe, os.path.join(HERE, "floor", "gx_floor.cpp")] + flags,
                   check=True)
    return exe


def run_measured(argv, env, cwd):
    """Runs a program to its end: (wall seconds, CPU seconds, peak RSS in KiB, status)."""
    start = time.perf_counter()
    proc = subprocess.Popen(argv, env=env, cwd=cwd, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    _, status, usage = os.wait4(proc.pid, 0)
    wall = time.perf_counter() - start
    proc.returncode = os.waitstatus_to_exitcode(status)
    return wall, usage.ru_utime + usage.ru_stime, usage.ru_maxrss, proc.returncode


def copy_demo(game):
    """A copy of demo/ without its opening movie: every case measures the way to the title."""
    shutil.copytree(os.path.join(ROOT, "demo"), game)
    sysconf = os.path.join(game, "system", "sysconf.ini")
    with open(sysconf, "rb") as f:
        lines = f.read().split(b"\n")
    with open(sysconf, "wb") as f:
        f.write(b"\n".join(l for l in lines if not l.startswith(b"MOV_NAME_OPENING=")))


def game_env(tmp, headless):
    env = dict(os.environ)
    env.update({"XDG_RUNTIME_DIR": os.path.join(tmp, "run"), "XDG_DOCUMENTS_DIR": os.path.join(tmp, "docs"),
                "LP_NUM_THREADS": "2"})
    for k in ("GX_SCREENSHOT", "GX_INPUT_SCRIPT", "GX_HEADLESS", "GX_UNPACED", "GX_EXIT_AFTER_FRAMES"):
        env.pop(k, None)
    if headless:
        env.update({"GX_HEADLESS": "1", "GX_UNPACED": "1"})
    os.makedirs(env["XDG_RUNTIME_DIR"], mode=0o700, exist_ok=True)
    os.makedirs(env["XDG_DOCUMENTS_DIR"], exist_ok=True)
    return env


def startup(gxplay, floor, tmp, runs):
    game = os.path.join(tmp, "game")
    copy_demo(game)
    env = game_env(tmp, headless=True)
    env["GX_EXIT_AFTER_FRAMES"] = "1"
    floor_env = dict(env)
    floor_env.pop("DISPLAY", None)
    floor_env.pop("WAYLAND_DISPLAY", None)
    env.pop("DISPLAY", None)
    env.pop("WAYLAND_DISPLAY", None)
    # One of each first, so that neither pays for a cold page cache.
    run_measured([gxplay], env, game)
    run_measured([floor, "startup"], floor_env, tmp)
    pairs = []
    for _ in range(runs):
        g = run_measured([gxplay], env, game)
        f = run_measured([floor, "startup"], floor_env, tmp)
        if g[3] != 0 or f[3] != 0:
            sys.exit("a run failed: gxplay status %d, floor status %d" % (g[3], f[3]))
        pairs.append((g, f))
    med = lambda xs: statistics.median(xs)
    print("start-up, %d alternating runs (median)" % runs)
    print("  gxplay: wall %.3f s  cpu %.3f s  rss %.1f MiB" % (
        med([p[0][0] for p in pairs]), med([p[0][1] for p in pairs]), med([p[0][2] for p in pairs]) / 1024))
    print("  floor:  wall %.3f s  cpu %.3f s  rss %.1f MiB" % (
        med([p[1][0] for p in pairs]), med([p[1][1] for p in pairs]), med([p[1][2] for p in pairs]) / 1024))
    print("  wall ratio %.3f  cpu ratio %.3f  rss difference %+.1f MiB" % (
        med([p[0][0] / p[1][0] for p in pairs]), med([p[0][1] / p[1][1] for p in pairs]),
        med([(p[0][2] - p[1][2]) / 1024 for p in pairs])))


def read_utf16_log(path):
    try:
        with open(path, "rb") as f:
            return f.read().decode("utf-16", errors="replace")
    except FileNotFoundError:
        return ""


def title(gxplay, floor, tmp, runs):
    """Start-up to the title's first frame, each run in a fresh copy of demo/."""
    import re
    floor_env = game_env(tmp, headless=True)
    floor_env.pop("DISPLAY", None)
    floor_env.pop("WAYLAND_DISPLAY", None)
    report = re.compile(r"first frame of SeqTitle: ([0-9.]+) ms after the start stamp, cpu ([0-9.]+) ms, "
                        r"peak rss ([0-9]+) KiB")

    def one(n):
        root = os.path.join(tmp, "title-%d" % n)
        game = os.path.join(root, "game")
        copy_demo(game)
        env = game_env(root, headless=True)
        env.pop("DISPLAY", None)
        env.pop("WAYLAND_DISPLAY", None)
        env["GX_FIRST_FRAME_OF"] = "SeqTitle"
        err_path = os.path.join(root, "stderr.txt")
        with open(err_path, "wb") as err:
            env["GX_START_STAMP"] = str(time.monotonic_ns())
            start = time.perf_counter()
            proc = subprocess.Popen([gxplay], env=env, cwd=game, stdout=subprocess.DEVNULL, stderr=err)
            _, status, usage = os.wait4(proc.pid, 0)
            wall = time.perf_counter() - start
        with open(err_path, encoding="utf-8", errors="replace") as f:
            text = f.read()
        m = report.search(text)
        code = os.waitstatus_to_exitcode(status)
        if code != 0 or not m:
            sys.exit("title run failed (status %d): %s" % (code, text))
        save = os.path.join(env["XDG_DOCUMENTS_DIR"], "gxengine_demo_SAVE")
        errors = read_utf16_log(os.path.join(save, "error.log")).strip("\ufeff \r\n")
        if errors:
            sys.exit("the title did not load whole; error.log:\n" + errors)
        renderer = ""
        for line in read_utf16_log(os.path.join(save, "device.log")).splitlines():
            if "ビデオカード名:" in line:
                renderer = line.split("ビデオカード名:", 1)[1].strip()
                break
        shutil.rmtree(root, ignore_errors=True)
        # Up to the frame, as reported: the shutdown after it is not start-up. (The whole
        # process's wall time is kept for the record.)
        return (float(m.group(1)) / 1000, float(m.group(2)) / 1000, int(m.group(3)), wall, renderer)

    def floor_run(mode):
        f = run_measured([floor, mode], floor_env, tmp)
        if f[3] != 0:
            sys.exit("the floor (%s) failed with status %d" % (mode, f[3]))
        return f

    one(-1)  # a warm page cache for all three
    floor_run("startup")
    floor_run("startup-draw")
    rounds = []
    for n in range(runs):
        rounds.append((one(n), floor_run("startup"), floor_run("startup-draw")))
    med = statistics.median
    mark = lambda ok: "ok" if ok else "OVER"
    print("title's first frame, %d alternating runs, fresh demo copies (median); renderer: %s" % (
        runs, rounds[0][0][4] or "unknown"))
    print("  gxplay to the frame: wall %.3f s  cpu %.3f s  peak rss %.1f MiB  (whole process: wall %.3f s)" % (
        med([r[0][0] for r in rounds]), med([r[0][1] for r in rounds]), med([r[0][2] for r in rounds]) / 1024,
        med([r[0][3] for r in rounds])))
    for i, name in ((1, "floor"), (2, "floor drawing one picture")):
        print("  %s: wall %.3f s  cpu %.3f s  rss %.1f MiB" % (
            name, med([r[i][0] for r in rounds]), med([r[i][1] for r in rounds]), med([r[i][2] for r in rounds]) / 1024))
    wall = med([r[0][0] / r[1][0] for r in rounds])
    cpu = med([r[0][1] / r[1][1] for r in rounds])
    rss = med([(r[0][2] - r[1][2]) / 1024 for r in rounds])
    print("  against the floor: wall ratio %.3f (target 1.25: %s)  cpu ratio %.3f (target 1.25: %s)  "
          "rss %+.1f MiB (target +16: %s)" % (wall, mark(wall <= 1.25), cpu, mark(cpu <= 1.25), rss, mark(rss <= 16)))
    print("  for scale, the floor drawing one picture against the floor: wall %.3f  cpu %.3f  rss %+.1f MiB" % (
        med([r[2][0] / r[1][0] for r in rounds]), med([r[2][1] / r[1][1] for r in rounds]),
        med([(r[2][2] - r[1][2]) / 1024 for r in rounds])))
    print("  gxplay against the floor drawing one picture: wall %.3f  cpu %.3f  rss %+.1f MiB" % (
        med([r[0][0] / r[2][0] for r in rounds]), med([r[0][1] / r[2][1] for r in rounds]),
        med([(r[0][2] - r[2][2]) / 1024 for r in rounds])))


def cpu_seconds(pid):
    with open("/proc/%d/stat" % pid) as f:
        fields = f.read().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / TICK  # utime, stime


def rss_mib(pid):
    with open("/proc/%d/status" % pid) as f:
        for line in f:
            if line.startswith("VmRSS:"):
                return int(line.split()[1]) / 1024
    return 0.0


def steady_cpu(argv, env, cwd, seconds):
    """CPU seconds a program spends over `seconds` of its steady state, and its RSS then."""
    proc = subprocess.Popen(argv, env=env, cwd=cwd, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    try:
        time.sleep(2.0)
        if proc.poll() is not None:
            sys.exit("%s ended early with status %d" % (argv[0], proc.returncode))
        c0, t0 = cpu_seconds(proc.pid), time.perf_counter()
        time.sleep(seconds)
        c1, t1 = cpu_seconds(proc.pid), time.perf_counter()
        rss = rss_mib(proc.pid)
    finally:
        if proc.poll() is None:
            proc.send_signal(signal.SIGTERM)
        try:
            proc.wait(timeout=10)
        except subprocess.TimeoutExpired:
            proc.kill()
            proc.wait()
    return (c1 - c0) / (t1 - t0), rss


def start_xvfb():
    if not shutil.which("Xvfb"):
        if os.geteuid() != 0:
            sys.exit("Xvfb is missing: apt-get install xvfb (as root), or run with a display")
        subprocess.run(["apt-get", "install", "-y", "--no-install-recommends", "xvfb"], check=True,
                       stdout=subprocess.DEVNULL)
    for n in range(90, 120):
        if not os.path.exists("/tmp/.X11-unix/X%d" % n) and not os.path.exists("/tmp/.X%d-lock" % n):
            break
    xvfb = subprocess.Popen(["Xvfb", ":%d" % n, "-screen", "0", "1280x1024x24", "-nolisten", "tcp"],
                            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    for _ in range(100):
        if os.path.exists("/tmp/.X11-unix/X%d" % n):
            break
        time.sleep(0.05)
    return xvfb, ":%d" % n


def idle(gxplay, floor, tmp, seconds):
    xvfb = None
    display = os.environ.get("DISPLAY")
    if not display and not os.environ.get("WAYLAND_DISPLAY"):
        xvfb, display = start_xvfb()
    try:
        game = os.path.join(tmp, "game-idle")
        copy_demo(game)
        env = game_env(os.path.join(tmp, "idle"), headless=False)
        env["DISPLAY"] = display
        frames = str(int((seconds + 6) * 60))
        env["GX_EXIT_AFTER_FRAMES"] = frames
        g, grss = steady_cpu([gxplay], env, game, seconds)
        f, frss = steady_cpu([floor, "idle", frames], env, tmp, seconds)
    finally:
        if xvfb:
            xvfb.terminate()
            xvfb.wait()
    print("idle in a window%s, %g s of steady state" % (" (Xvfb)" if xvfb else "", seconds))
    print("  gxplay: %.1f %% of a core, rss %.1f MiB" % (g * 100, grss))
    print("  floor:  %.1f %% of a core, rss %.1f MiB" % (f * 100, frss))
    print("  cpu ratio %.2f" % (g / f if f > 0 else float("inf")))


def main():
    ap = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    ap.add_argument("--build", default=os.path.join(ROOT, "build"))
    ap.add_argument("--runs", type=int, default=20)
    ap.add_argument("--idle-seconds", type=float, default=10.0)
    ap.add_argument("--no-idle", action="store_true")
    ap.add_argument("--no-title", action="store_true")
    args = ap.parse_args()
    gxplay = os.path.join(os.path.abspath(args.build), "gxplay")
    if not os.access(gxplay, os.X_OK):
        sys.exit("no gxplay in %s: build it first" % args.build)
    with tempfile.TemporaryDirectory(prefix="gx_startup_") as tmp:
        floor = build_floor(tmp)
        startup(gxplay, floor, tmp, args.runs)
        if not args.no_title:
            title(gxplay, floor, tmp, args.runs)
        if not args.no_idle:
            idle(gxplay, floor, tmp, args.idle_seconds)


if __name__ == "__main__":
    main()
