#!/usr/bin/env python3
"""Start-up and idle footprint of the real program, each run on its own Xvfb (:200 to :209).

  footprint.py <build dir> [--runs N] [--idle SECONDS] [--out JSON]

BM_StartToTray: from process start until the program's tray icon is docked in the tray host (trayer, started
first on each Xvfb): the tray host takes the icon window from the root window, and a window headed for the
tray is never shown. Watched through X events on the root window (libX11 through ctypes), so the moment is
exact and the watcher costs nothing while it waits; a run whose main window is mapped first fails.
Idle: a schedule whose period holds the start (so the schedule timer checks every 3 s) and ends before the
first sample is due; VmRSS at the end and utime+stime over the idle window as % of one core. Whether a
sample was taken anyway (trace file or database grew) is reported.
Writes <build>/bench/footprint.json in Google Benchmark's format (times in ms) plus the raw figures.
"""
import ctypes
import datetime
import json
import os
import select
import shutil
import signal
import statistics
import subprocess
import sys
import tempfile
import time

X = ctypes.CDLL("libX11.so.6")
X.XOpenDisplay.restype = ctypes.c_void_p
X.XOpenDisplay.argtypes = [ctypes.c_char_p]
X.XDefaultRootWindow.restype = ctypes.c_ulong
X.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
X.XSelectInput.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_long]
X.XConnectionNumber.argtypes = [ctypes.c_void_p]
X.XPending.argtypes = [ctypes.c_void_p]
X.XNextEvent.argtypes = [ctypes.c_void_p, ctypes.c_void_p]
X.XFlush.argtypes = [ctypes.c_void_p]
X.XCloseDisplay.argtypes = [ctypes.c_void_p]
X.XInternAtom.restype = ctypes.c_ulong
X.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
X.XGetWindowProperty.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_ulong, ctypes.c_long, ctypes.c_long,
                                 ctypes.c_int, ctypes.c_ulong, ctypes.POINTER(ctypes.c_ulong),
                                 ctypes.POINTER(ctypes.c_int), ctypes.POINTER(ctypes.c_ulong),
                                 ctypes.POINTER(ctypes.c_ulong), ctypes.POINTER(ctypes.c_void_p)]
X.XFree.argtypes = [ctypes.c_void_p]
X.XGetSelectionOwner.restype = ctypes.c_ulong
X.XGetSelectionOwner.argtypes = [ctypes.c_void_p, ctypes.c_ulong]
ERROR_HANDLER = ctypes.CFUNCTYPE(ctypes.c_int, ctypes.c_void_p, ctypes.c_void_p)
# A window gone before we read its name must not end the watcher (Xlib's default handler exits).
_ignore_errors = ERROR_HANDLER(lambda d, e: 0)
X.XSetErrorHandler(_ignore_errors)

SUBSTRUCTURE_NOTIFY = 1 << 19
UNMAP_NOTIFY, MAP_NOTIFY, REPARENT_NOTIFY = 18, 19, 21
TITLE = b"Varnholt--"
PASSWD = "3b8a85011e78b14c132c6044318a20e4"


class XEvent(ctypes.Structure):
    # XMapEvent / XUnmapEvent / XReparentEvent prefix: type, serial, send_event, display, event, window
    # (and for a reparent the new parent).
    _fields_ = [("type", ctypes.c_int), ("serial", ctypes.c_ulong), ("send_event", ctypes.c_int),
                ("display", ctypes.c_void_p), ("event", ctypes.c_ulong), ("window", ctypes.c_ulong),
                ("parent", ctypes.c_ulong), ("pad", ctypes.c_long * 23)]


def window_name(dpy, win):
    for atom_name in (b"_NET_WM_NAME", b"WM_NAME"):
        atom = X.XInternAtom(dpy, atom_name, 0)
        typ, fmt, n, after = ctypes.c_ulong(), ctypes.c_int(), ctypes.c_ulong(), ctypes.c_ulong()
        data = ctypes.c_void_p()
        if X.XGetWindowProperty(dpy, win, atom, 0, 1024, 0, 0, ctypes.byref(typ), ctypes.byref(fmt),
                                ctypes.byref(n), ctypes.byref(after), ctypes.byref(data)) == 0 and data.value:
            text = ctypes.string_at(data.value, n.value)
            X.XFree(data)
            if text:
                return text
    return b""


class Xvfb:
    def __init__(self, first=200, last=209):
        for d in range(first, last + 1):
            if os.path.exists(f"/tmp/.X11-unix/X{d}") or os.path.exists(f"/tmp/.X{d}-lock"):
                continue
            self.display = f":{d}"
            self.proc = subprocess.Popen(["Xvfb", self.display, "-screen", "0", "1280x800x24", "-nolisten", "tcp"],
                                         stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            deadline = time.monotonic() + 10
            while time.monotonic() < deadline and self.proc.poll() is None:
                self.dpy = X.XOpenDisplay(self.display.encode())
                if self.dpy:
                    self.root = X.XDefaultRootWindow(self.dpy)
                    self.start_tray_host()
                    X.XSelectInput(self.dpy, self.root, SUBSTRUCTURE_NOTIFY)
                    X.XFlush(self.dpy)
                    return
                time.sleep(0.05)
            self.proc.kill()
            self.proc.wait()
        raise RuntimeError("no Xvfb on :%d to :%d" % (first, last))

    def start_tray_host(self):
        """trayer, and wait until it owns the tray selection: the program asks for a tray as it starts."""
        env = dict(os.environ, DISPLAY=self.display)
        self.tray = subprocess.Popen(["trayer", "--edge", "bottom", "--align", "right", "--widthtype", "pixel",
                                      "--width", "100", "--heighttype", "pixel", "--height", "32"], env=env,
                                     stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        selection = X.XInternAtom(self.dpy, b"_NET_SYSTEM_TRAY_S0", 0)
        deadline = time.monotonic() + 10
        while time.monotonic() < deadline:
            if X.XGetSelectionOwner(self.dpy, selection):
                return
            time.sleep(0.02)
        raise RuntimeError("the tray host did not come up")

    def wait_for_tray(self, child, timeout):
        """Seconds (monotonic) when the tray host took the program's icon, or None. Only the tray host
        reparents windows here (there is no window manager), and it is running before the program starts."""
        fd = X.XConnectionNumber(self.dpy)
        ev = XEvent()
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline and child.poll() is None:
            while X.XPending(self.dpy):
                X.XNextEvent(self.dpy, ctypes.byref(ev))
                now = time.monotonic()
                if ev.type == MAP_NOTIFY and TITLE in window_name(self.dpy, ev.window):
                    raise RuntimeError("the main window was shown on its way to the tray")
                if ev.type == REPARENT_NOTIFY and ev.parent != self.root:
                    return now
            select.select([fd], [], [], 0.05)
        return None

    def close(self):
        self.tray.terminate()
        try:
            self.tray.wait(5)
        except subprocess.TimeoutExpired:
            self.tray.kill()
            self.tray.wait()
        X.XCloseDisplay(self.dpy)
        self.proc.terminate()
        try:
            self.proc.wait(5)
        except subprocess.TimeoutExpired:
            self.proc.kill()
            self.proc.wait()


class SessionBus:
    """A session bus of our own: without one the program autolaunches a bus daemon that nobody ends."""

    def __init__(self):
        self.proc = subprocess.Popen(["dbus-daemon", "--session", "--nofork", "--print-address=1"],
                                     stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)
        self.address = self.proc.stdout.readline().strip()
        if not self.address:
            self.close()
            raise RuntimeError("no session bus")

    def close(self):
        self.proc.terminate()
        try:
            self.proc.wait(5)
        except subprocess.TimeoutExpired:
            self.proc.kill()
            self.proc.wait()
        self.proc.stdout.close()


def hms(t):
    return f"{t.hour}:{t.minute}:{t.second}"


def make_app(build, work, name, schedule=None):
    app = os.path.join(work, name)
    os.makedirs(app)
    shutil.copy2(os.path.join(build, "bin", "varnholt"), app)
    shutil.copyfile(os.path.join(build, "db", "template.gdb"), os.path.join(app, "ABC.GDB"))
    tips = os.path.join(build, "bin", "SuccessTips.txt")
    if os.path.exists(tips):
        shutil.copyfile(tips, os.path.join(app, "SuccessTips.txt"))
    lines = ["[Security]", f"Passwd={PASSWD}", "StartPasswd=0",
             "[System]", "AutoMinimize=1", f"AutoTask={1 if schedule else 0}",
             "[OtherSettings]", "AutoMinimize=1", "AutoUpdate=0"]
    if schedule:
        start, end = schedule
        lines += ["[TimeConfig]", "Taskexecutype=0", f"TimeFrom={hms(start)}", f"TimeEnd={hms(end)}",
                  "MonitorInterval=1"]
    with open(os.path.join(app, "Config.ini"), "w", newline="") as f:
        f.write("\r\n".join(lines) + "\r\n")
    return app


BUS = None


def env_for(display, work):
    env = dict(os.environ)
    env.pop("WAYLAND_DISPLAY", None)
    env.update(DBUS_SESSION_BUS_ADDRESS=BUS.address, DISPLAY=display, QT_QPA_PLATFORM="xcb", FIREBIRD_LOCK=os.path.join(work, "fblock"))
    runtime = os.path.join(work, "xdg")
    os.makedirs(runtime, mode=0o700, exist_ok=True)
    os.makedirs(env["FIREBIRD_LOCK"], exist_ok=True)
    env["XDG_RUNTIME_DIR"] = runtime
    return env


def stop(proc):
    if proc.poll() is None:
        os.killpg(proc.pid, signal.SIGKILL)
    proc.wait()


def start(app, env):
    return subprocess.Popen(["./varnholt"], cwd=app, env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                            start_new_session=True)


def cpu_seconds(pid):
    with open(f"/proc/{pid}/stat") as f:
        fields = f.read().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / os.sysconf("SC_CLK_TCK")  # utime, stime


def run_ns(pid):
    """CPU time of every thread in ns (schedstat): utime+stime count whole clock ticks only."""
    total = 0
    for tid in os.listdir(f"/proc/{pid}/task"):
        try:
            with open(f"/proc/{pid}/task/{tid}/schedstat") as f:
                total += int(f.read().split()[0])
        except (OSError, ValueError, IndexError):
            pass
    return total


def memory_kib(pid):
    out = {}
    with open(f"/proc/{pid}/status") as f:
        for line in f:
            key = line.split(":")[0]
            if key in ("VmRSS", "RssAnon", "RssFile", "RssShmem"):
                out[key] = int(line.split()[1])
    try:  # the proportional share: libraries shared with other processes count in part
        with open(f"/proc/{pid}/smaps_rollup") as f:
            for line in f:
                if line.startswith("Pss:"):
                    out["Pss"] = int(line.split()[1])
    except OSError:
        pass
    return out


def size(path):
    try:
        return os.path.getsize(path)
    except OSError:
        return 0


def start_to_tray(build, work, runs):
    times = []
    for i in range(runs):
        xvfb = Xvfb()
        try:
            app = make_app(build, work, f"start{i}")
            t0 = time.monotonic()
            proc = start(app, env_for(xvfb.display, work))
            try:
                t1 = xvfb.wait_for_tray(proc, 20)
            finally:
                stop(proc)
            if t1 is None:
                raise RuntimeError(f"run {i}: the main window never went to the tray")
            times.append(t1 - t0)
        finally:
            xvfb.close()
    return times


def idle(build, work, seconds):
    # The period holds the start and ends well before the first sample is due (one minute after the
    # first check): the schedule timer keeps checking every 3 s, the sampling timer starts and stops.
    now = datetime.datetime.now()
    end = now + datetime.timedelta(seconds=20)
    if end.date() != now.date():  # a period across midnight is never inside
        return None
    xvfb = Xvfb()
    try:
        begin = max(now - datetime.timedelta(minutes=1), now.replace(hour=0, minute=0, second=0, microsecond=0))
        app = make_app(build, work, "idle", (begin, end))
        gdb, trace = os.path.join(app, "ABC.GDB"), os.path.join(app, "logd.txt")
        env = env_for(xvfb.display, work)
        # A user's window in front, so that a sample taken in the idle window would be stored and seen.
        client = os.path.join(build, "tests", "vh_x11client")
        front = subprocess.Popen([client, "--window", "--title", "editor"], env=env, stdout=subprocess.DEVNULL,
                                 stderr=subprocess.DEVNULL, start_new_session=True) if os.access(client, os.X_OK) else None
        proc = start(app, env)
        try:
            if xvfb.wait_for_tray(proc, 20) is None:
                raise RuntimeError("idle run: the main window never went to the tray")
            time.sleep(2)
            gdb0, trace0 = size(gdb), size(trace)
            c0, n0, w0 = cpu_seconds(proc.pid), run_ns(proc.pid), time.monotonic()
            time.sleep(seconds)
            c1, n1, w1 = cpu_seconds(proc.pid), run_ns(proc.pid), time.monotonic()
            mem = memory_kib(proc.pid)
            alive = proc.poll() is None
        finally:
            stop(proc)
            if front:
                stop(front)
        return {"rss_mib": mem.get("VmRSS", 0) / 1024, "rss_anon_mib": mem.get("RssAnon", 0) / 1024,
                "rss_file_mib": mem.get("RssFile", 0) / 1024, "rss_shmem_mib": mem.get("RssShmem", 0) / 1024,
                "pss_mib": mem.get("Pss", 0) / 1024,
                "cpu_percent": 100 * (n1 - n0) / 1e9 / (w1 - w0), "cpu_percent_ticks": 100 * (c1 - c0) / (w1 - w0),
                "seconds": w1 - w0,
                "samples_taken": size(trace) > trace0 or size(gdb) > gdb0, "alive": alive, "front_window": bool(front)}
    finally:
        xvfb.close()


def main():
    args = sys.argv[1:]
    if not args:
        print(__doc__, file=sys.stderr)
        return 2
    build = os.path.abspath(args[0])
    opts = dict(zip(args[1::2], args[2::2]))
    runs = int(opts.get("--runs", 7))
    idle_s = float(opts.get("--idle", 60))
    out = opts.get("--out", os.path.join(build, "bench", "footprint.json"))
    work = tempfile.mkdtemp(prefix="vh-footprint-")
    global BUS
    BUS = SessionBus()
    try:
        times = start_to_tray(build, work, runs)
        quiet = idle(build, work, idle_s)
    finally:
        BUS.close()
        shutil.rmtree(work, ignore_errors=True)
    median = statistics.median(times)
    benchmarks = [{"name": "BM_StartToTray", "run_type": "iteration", "iterations": runs,
                   "real_time": median * 1e3, "cpu_time": median * 1e3, "time_unit": "ms",
                   "runs_s": times, "target_s": 0.5}]
    if quiet:
        benchmarks.append(dict(name="Idle", run_type="footprint", target_rss_mib=40, target_cpu_percent=0.2,
                               **quiet))
    os.makedirs(os.path.dirname(out), exist_ok=True)
    with open(out, "w") as f:
        json.dump({"context": {"date": datetime.datetime.now().isoformat(), "load": os.getloadavg()},
                   "benchmarks": benchmarks}, f, indent=1)
    print(f"BM_StartToTray median {median:.3f} s of {runs} runs: " + " ".join(f"{t:.3f}" for t in times))
    if quiet:
        print(f"Idle {quiet['seconds']:.0f} s: VmRSS {quiet['rss_mib']:.1f} MiB (anon {quiet['rss_anon_mib']:.1f}, "
              f"file {quiet['rss_file_mib']:.1f}, shmem {quiet['rss_shmem_mib']:.1f}; PSS {quiet['pss_mib']:.1f}), CPU {quiet['cpu_percent']:.4f} % "
              f"of a core ({quiet['cpu_percent_ticks']:.3f} % in clock ticks), "
              f"samples taken: {'yes' if quiet['samples_taken'] else 'no'}")
    else:
        print("Idle: skipped (the period would cross midnight)")
    return 0


if __name__ == "__main__":
    sys.exit(main())
