#!/usr/bin/env python3
"""Tombrello's benchmarks, each against a peer doing the same work in the same
run on the same private sound server. Started by scripts/bench.

  run_bench.py <record_bench> <results.json>

BENCH_LONG_SECONDS (default 600) sets the length of the long recording (lost
samples, memory over time); BENCH_SECONDS (default 60) the CPU comparison.
"""
import json
import os
import platform
import re
import shutil
import signal
import statistics
import subprocess
import sys
import tempfile
import time

SINK = "tombrello_out"
DESCRIPTION = "Tombrello Output"
MONITOR = SINK + ".monitor"


def log(*args):
    print(*args, file=sys.stderr, flush=True)


class Daemon:
    """A private PulseAudio daemon in its own runtime folder, ended by its pid."""

    def __init__(self):
        self.dir = tempfile.mkdtemp(prefix="tombrello-bench-pulse-")
        os.chmod(self.dir, 0o700)
        self.server = "unix:" + self.dir + "/pulse/native"
        self.pid = None

    def start(self):
        env = dict(os.environ, XDG_RUNTIME_DIR=self.dir, HOME=self.dir + "/home",
                   XDG_CONFIG_HOME=self.dir + "/config")
        sink = ("module-null-sink sink_name=%s sink_properties='device.description=\"%s\"'" % (SINK, DESCRIPTION))
        subprocess.run(["pulseaudio", "-n", "--daemonize=yes", "--system=no", "--exit-idle-time=-1",
                        "--disallow-exit", "--log-target=file:" + self.dir + "/daemon.log",
                        "-L", "module-native-protocol-unix auth-anonymous=1", "-L", sink],
                       env=env, check=True, start_new_session=True, timeout=20,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        with open(self.dir + "/pulse/pid") as f:
            self.pid = int(f.read().strip())
        os.environ["PULSE_SERVER"] = self.server
        os.environ["XDG_RUNTIME_DIR"] = self.dir
        deadline = time.monotonic() + 10
        while subprocess.run(["pactl", "info"], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL).returncode:
            if time.monotonic() > deadline:
                raise RuntimeError("the private sound server does not answer")
            time.sleep(0.05)

    def stop(self):
        if self.pid:
            try:
                os.kill(self.pid, signal.SIGTERM)
                for _ in range(100):
                    os.kill(self.pid, 0)
                    time.sleep(0.05)
                os.kill(self.pid, signal.SIGKILL)
            except ProcessLookupError:
                pass
            self.pid = None
        shutil.rmtree(self.dir, ignore_errors=True)


class Children:
    """Background helpers (reader, signal, busy loop), ended by their pids."""

    def __init__(self):
        self.procs = []

    def start(self, argv, **kw):
        kw.setdefault("stdout", subprocess.DEVNULL)
        p = subprocess.Popen(argv, stderr=subprocess.DEVNULL, **kw)
        self.procs.append(p)
        return p

    def end(self, p):
        if p.poll() is None:
            p.terminate()
            try:
                p.wait(5)
            except subprocess.TimeoutExpired:
                p.kill()
                p.wait()
        self.procs.remove(p)

    def end_all(self):
        for p in list(self.procs):
            self.end(p)


def play_signal(children, seconds):
    """A music-like, never silent signal into the null sink: two tones under a
    tremolo, streamed by sox into pacat so it has no gaps of its own."""
    sox = children.start(["sox", "-q", "-n", "-r", "44100", "-c", "2", "-b", "16", "-e", "signed-integer", "-t",
                          "raw", "-", "synth", str(seconds), "sine", "220", "sine", "330", "tremolo", "3", "50",
                          "vol", "0.5"], stdout=subprocess.PIPE)
    children.start(["pacat", "--raw", "--format=s16le", "--rate=44100", "--channels=2", "-d", SINK],
                   stdin=sox.stdout)
    sox.stdout.close()


def run_measured(argv, seconds=None, interrupt=False):
    """Runs a child to its end; its own CPU seconds and peak RSS (wait4).
    With `interrupt`, it gets SIGINT after `seconds` (gst-launch -e then
    finishes its file)."""
    started = time.monotonic()
    p = subprocess.Popen(argv, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)
    if interrupt:
        time.sleep(seconds)
        p.send_signal(signal.SIGINT)
    out = p.stdout.read()
    _, status, ru = os.wait4(p.pid, 0)
    p.returncode = os.waitstatus_to_exitcode(status)
    return {
        "cpu_s": ru.ru_utime + ru.ru_stime,
        "peak_rss_kib": ru.ru_maxrss,
        "wall_s": time.monotonic() - started,
        "status": p.returncode,
        "stdout": out,
    }


def bench_line(stdout):
    for line in stdout.splitlines():
        if line.startswith("BENCH "):
            return json.loads(line[6:])
    return None


def ffprobe(path):
    r = subprocess.run(["ffprobe", "-v", "error", "-show_entries", "format=format_name,duration:stream=codec_name",
                        "-of", "json", path], capture_output=True, text=True)
    if r.returncode:
        return {}
    j = json.loads(r.stdout)
    return {"format": j.get("format", {}).get("format_name"),
            "duration": float(j.get("format", {}).get("duration", 0) or 0),
            "codec": (j.get("streams") or [{}])[0].get("codec_name")}


def decoded(path):
    """Decoded sample count and rate, and the silent stretches (gaps) longer
    than 20 ms in a signal that is never silent."""
    r = subprocess.run(["ffmpeg", "-hide_banner", "-nostats", "-i", path, "-af",
                        "silencedetect=noise=-45dB:d=0.02,astats=measure_overall=Number_of_samples:"
                        "measure_perchannel=none", "-f", "null", "-"], capture_output=True, text=True)
    samples = re.search(r"Number of samples: (\d+)", r.stderr)
    rate = re.search(r"Audio: \w+, (\d+) Hz", r.stderr)
    gaps = [float(g) for g in re.findall(r"silence_duration: ([0-9.]+)", r.stderr)]
    starts = re.findall(r"silence_start: (-?[0-9.]+)", r.stderr)
    if len(starts) > len(gaps):  # silent to the end
        gaps.append(-1.0)
    if not samples or not rate:
        return None
    return {"samples": int(samples.group(1)), "rate": int(rate.group(1)),
            "seconds": int(samples.group(1)) / int(rate.group(1)), "gaps_s": gaps}


def machine():
    model = "unknown"
    with open("/proc/cpuinfo") as f:
        for line in f:
            if line.startswith("model name"):
                model = line.split(":", 1)[1].strip()
                break
    return {"cores": os.cpu_count(), "cpu": model, "kernel": platform.release()}


def median_worst(values):
    return {"median": statistics.median(values), "worst": max(values), "n": len(values), "values": values}


def bench_cpu(record_bench, work, seconds):
    """1. CPU and peak RSS of recording `seconds` to WMA v2 128k."""
    ours_out = os.path.join(work, "ours.wma")
    gst_out = os.path.join(work, "gst.wma")
    ff_out = os.path.join(work, "ffmpeg.wma")
    ours = run_measured([record_bench, "record", str(seconds), ours_out])
    ours["bench"] = bench_line(ours.pop("stdout"))
    gst = run_measured(["gst-launch-1.0", "-q", "-e", "pulsesrc", "device=" + MONITOR, "!", "audioconvert", "!",
                        "avenc_wmav2", "bitrate=128000", "!", "asfmux", "!", "filesink", "location=" + gst_out],
                       seconds, interrupt=True)
    gst.pop("stdout")
    ff = run_measured(["ffmpeg", "-nostdin", "-hide_banner", "-loglevel", "error", "-y", "-f", "pulse", "-i",
                       MONITOR, "-t", str(seconds), "-c:a", "wmav2", "-b:a", "128k", ff_out])
    ff.pop("stdout")
    for r, path in ((ours, ours_out), (gst, gst_out), (ff, ff_out)):
        r["file"] = ffprobe(path)
    result = {"seconds": seconds, "ours": ours, "gst_launch": gst, "ffmpeg": ff,
              "cpu_ratio_vs_gst": ours["cpu_s"] / gst["cpu_s"] if gst["cpu_s"] else None,
              "cpu_ratio_vs_ffmpeg": ours["cpu_s"] / ff["cpu_s"] if ff["cpu_s"] else None,
              "rss_ratio_vs_gst": ours["peak_rss_kib"] / gst["peak_rss_kib"],
              "rss_ratio_vs_ffmpeg": ours["peak_rss_kib"] / ff["peak_rss_kib"]}
    if ours["bench"]:
        # The part spent recording, without the program's own start-up.
        result["cpu_recording_only_ratio_vs_gst"] = ours["bench"]["cpu_recording_s"] / gst["cpu_s"]
    result["target_met"] = result["cpu_ratio_vs_gst"] is not None and result["cpu_ratio_vs_gst"] <= 1.1
    return result


def bench_latency(record_bench, work, takes=20, take_ms=2000):
    """2. Record to first sample: the wall-clock time from calling Record to
    calling Stop, less the seconds of audio the file holds (the audio that
    never reached the file is the start-up latency, as the stop side flushes
    what was captured). Stop to a finished file: how long OnStop takes, with
    ffprobe run on the .wma the moment it returns."""
    folder = os.path.join(work, "takes")
    os.makedirs(folder, exist_ok=True)
    r = run_measured([record_bench, "takes", str(takes), folder, str(take_ms)])
    line = bench_line(r["stdout"])
    if not line:
        return {"error": "record_bench takes printed nothing (status %d)" % r["status"]}
    start, stop, unplayable = [], [], 0
    for take in line["takes"]:
        d = decoded(take["file"])
        if not take["playable"] or not d:
            unplayable += 1
            continue
        start.append(max(0.0, take["wall_s"] - d["seconds"]) * 1000)
        stop.append(take["stop_ms"])
    if not start:
        return {"error": "no take was playable", "takes": line["takes"]}
    return {"start_ms": median_worst(start), "stop_ms": median_worst(stop), "unplayable": unplayable,
            "target_met": max(start) < 100 and max(stop) < 100 and unplayable == 0}


def bench_startup(record_bench, runs=10):
    """3. Process start to the dialog shown with its device list filled."""
    times, devices = [], []
    for _ in range(runs):
        spawned = time.monotonic_ns()
        r = subprocess.run([record_bench, "startup"], capture_output=True, text=True)
        line = bench_line(r.stdout)
        if not line or not line["shown"]:
            return {"error": "the dialog did not start: " + r.stderr[-500:]}
        times.append((line["ready_ns"] - spawned) / 1e6)
        devices.append(line["devices"])
    return {"ms": median_worst(times), "devices": min(devices), "target_met": statistics.median(times) < 300}


def bench_long(record_bench, children, work, seconds):
    """4 and 5. A long recording with the other core kept busy: lost audio
    (decoded samples against the wall clock, and gaps in a never silent
    signal) and RSS at 1 minute and at the end."""
    busy = children.start([sys.executable, "-c", "while True: pass"])
    out = os.path.join(work, "long.wma")
    marks = sorted({60 if seconds >= 120 else max(1, seconds // 6), seconds - 1})
    r = run_measured([record_bench, "record", str(seconds), out] + [str(m) for m in marks])
    children.end(busy)
    line = bench_line(r["stdout"])
    if not line:
        return {"error": "record_bench record printed nothing (status %d)" % r["status"]}
    d = decoded(out)
    wav = decoded(line["temp_wav"])
    rss = line["rss"]
    result = {"seconds": seconds, "wall_s": line["wall_s"], "recording_held": line["recording"],
              "wma": d, "temp_wav": wav, "rss": rss, "cpu_s": r["cpu_s"],
              "fds": [line["fds_before"], line["fds_after"]]}
    if d:
        result["missing_s"] = line["wall_s"] - d["seconds"]
        real_gaps = [g for g in d["gaps_s"] if g != 0]
        result["longest_gap_s"] = max(real_gaps, default=0.0)
    if len(rss) >= 2:
        result["rss_growth_kib"] = rss[-1]["rss_kib"] - rss[0]["rss_kib"]
    # One buffer of the capture is 10 ms; the start-up latency is reported apart.
    result["target_met"] = bool(d) and result.get("longest_gap_s", 1) <= 0.02 and \
        result.get("rss_growth_kib", 1 << 20) <= 1024
    return result


def fmt(v, unit=""):
    return "n/a" if v is None else ("%.3f%s" % (v, unit) if isinstance(v, float) else "%s%s" % (v, unit))


def table(results):
    m = results["machine"]
    rows = ["Machine: %s cores, %s, Linux %s" % (m["cores"], m["cpu"], m["kernel"]), ""]
    c = results.get("cpu", {})
    if "ours" in c:
        rows += ["1. Recording %ds to WMA v2 128k      CPU s     peak RSS MiB" % c["seconds"]]
        for name in ("ours", "gst_launch", "ffmpeg"):
            r = c[name]
            rows.append("   %-34s %7.3f   %8.1f   (%s, %.2f s)" % (
                name, r["cpu_s"], r["peak_rss_kib"] / 1024, r["file"].get("codec"), r["file"].get("duration", 0)))
        rows.append("   CPU ratio vs gst-launch %.2f (recording only %s), vs ffmpeg %.2f; RSS ratio vs gst %.2f, "
                    "vs ffmpeg %.2f; target <= 1.1 x gst: %s" % (
                        c["cpu_ratio_vs_gst"], fmt(c.get("cpu_recording_only_ratio_vs_gst")),
                        c["cpu_ratio_vs_ffmpeg"], c["rss_ratio_vs_gst"], c["rss_ratio_vs_ffmpeg"],
                        "met" if c["target_met"] else "NOT met"))
    lat = results.get("latency", {})
    if "start_ms" in lat:
        rows += ["2. Latency (20 takes)                median    worst",
                 "   Record -> first sample (ms)   %9.1f %8.1f" % (lat["start_ms"]["median"], lat["start_ms"]["worst"]),
                 "   Stop -> playable file (ms)    %9.1f %8.1f   unplayable: %d; target < 100 ms: %s" % (
                     lat["stop_ms"]["median"], lat["stop_ms"]["worst"], lat["unplayable"],
                     "met" if lat["target_met"] else "NOT met")]
    elif lat:
        rows.append("2. Latency: " + lat.get("error", "?"))
    st = results.get("startup", {})
    if "ms" in st:
        rows.append("3. Start-up to dialog + device list: median %.1f ms, worst %.1f ms; target < 300 ms: %s" % (
            st["ms"]["median"], st["ms"]["worst"], "met" if st["target_met"] else "NOT met"))
    elif st:
        rows.append("3. Start-up: " + st.get("error", "?"))
    lg = results.get("long", {})
    if "wall_s" in lg:
        rows.append("4. %d s with a busy core: wall %.3f s, decoded %s s (missing %s s), longest gap %s s" % (
            lg["seconds"], lg["wall_s"], fmt(lg["wma"] and lg["wma"]["seconds"]), fmt(lg.get("missing_s")),
            fmt(lg.get("longest_gap_s"))))
        rows.append("5. RSS: %s; growth %s KiB; targets (gap <= 1 buffer, growth <= 1 MiB): %s" % (
            ", ".join("%d s %.1f MiB" % (r["at_s"], r["rss_kib"] / 1024) for r in lg["rss"]),
            fmt(lg.get("rss_growth_kib")), "met" if lg["target_met"] else "NOT met"))
    elif lg:
        rows.append("4/5. Long recording: " + lg.get("error", "?"))
    return "\n".join(rows)


def main():
    record_bench, results_path = sys.argv[1], sys.argv[2]
    seconds = int(os.environ.get("BENCH_SECONDS", "60"))
    long_seconds = int(os.environ.get("BENCH_LONG_SECONDS", "600"))
    only = os.environ.get("BENCH_ONLY", "startup,latency,cpu,long").split(",")
    results = {"machine": machine()}
    daemon, children = Daemon(), Children()
    work = tempfile.mkdtemp(prefix="tombrello-bench-")
    try:
        daemon.start()
        children.start(["parec", "--latency-msec=10", "-d", MONITOR])
        play_signal(children, seconds * 3 + long_seconds + 120)
        time.sleep(0.5)
        steps = (("startup", lambda: bench_startup(record_bench)),
                 ("latency", lambda: bench_latency(record_bench, work)),
                 ("cpu", lambda: bench_cpu(record_bench, work, seconds)),
                 ("long", lambda: bench_long(record_bench, children, work, long_seconds)))
        for name, step in steps:
            if name in only:
                log("bench: %s ..." % name)
                results[name] = step()
    finally:
        children.end_all()
        daemon.stop()
        shutil.rmtree(work, ignore_errors=True)
    with open(results_path, "w") as f:
        json.dump(results, f, indent=2)
    print(table(results))
    print("\nResults: " + results_path)


if __name__ == "__main__":
    main()
