"""Starts with files join the window already open (run by read_window.sh):
twenty copies started at once with a file each end with status 0 and leave
their files in that window in the order a folder scan lists them; with the
window stopped, a new copy opens its own window rather than wait for ever.
A folder whose name is not UTF-8 is scanned there, so its bytes arrived. A
file handed over while a batch runs is listed for the next Convert, not
converted by that batch."""

import os
import signal
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.dirname(__file__))
from read_window import application, press, wait_for  # noqa: E402

folder = tempfile.mkdtemp()
names = ["%s%02d.wmv" % ("Ab"[i % 2], 19 - i) for i in range(20)]
copies = [subprocess.Popen([os.environ["PROGRAM"], name], cwd=folder) for name in names]
codes = [copy.wait(timeout=30) for copy in copies]
if codes != [0] * 20:
    sys.exit("The copies ended with %s" % codes)

tree = wait_for("the list", lambda: next(c for c in application()[0] if c.getRoleName() == "tree"))
expected = sorted(names, key=lambda n: (n.upper(), n))
listed = wait_for("20 entries", lambda: [c.name for c in tree if c.getRoleName() != "table column header"]
                  if tree.childCount > 20 else None)
if [os.path.basename(n) for n in listed] != expected:
    sys.exit("Listed %s, expected %s" % (listed, expected))

odd = os.path.join(os.fsencode(folder), b"\xe9t\xe9")
os.mkdir(odd)
open(os.path.join(odd, b"z.wmv"), "w").close()
if subprocess.call([os.environ["PROGRAM"], odd]) != 0:
    sys.exit("The copy with a folder not named in UTF-8 did not hand it over")
wait_for("the file in that folder", lambda: tree.childCount > 21 and tree[21].name.endswith("/z.wmv"))

os.kill(int(os.environ["PROGRAM_PID"]), signal.SIGSTOP)
try:
    late = subprocess.Popen([os.environ["PROGRAM"], "late.wmv"], cwd=folder)
    time.sleep(8)
    if late.poll() is not None:
        sys.exit("A copy ended with status %s while the window was stopped" % late.returncode)
    late.kill()
finally:
    os.kill(int(os.environ["PROGRAM_PID"]), signal.SIGCONT)

# Long enough to be converting still when the next copy hands its file over.
clip, late_clip = os.path.join(folder, "long.wmv"), os.path.join(folder, "later.wmv")
for path, seconds in ((clip, 40), (late_clip, 1)):
    subprocess.run(["ffmpeg", "-v", "error", "-f", "lavfi", "-i", "testsrc=size=640x480:rate=25",
                    "-t", str(seconds), "-c:v", "wmv2", path], check=True)
if subprocess.call([os.environ["PROGRAM"], clip]) != 0:
    sys.exit("The copy with a clip did not hand it over")
listed_now = lambda: [entry.name for entry in tree]  # noqa: E731
wait_for("the clip", lambda: clip in listed_now())
window = application()[0]
press(next(child for child in window if child.name == "Convert"))
bar = next(child for child in window if child.getRoleName() == "progress bar").queryValue()
wait_for("the batch under way", lambda: bar.currentValue > 0)
if subprocess.call([os.environ["PROGRAM"], late_clip]) != 0:
    sys.exit("The copy started during the batch did not hand its file over")
wait_for("the report", lambda: next((w for w in application() if w.getRoleName() == "alert"), None),
         seconds=120)
if not os.path.exists(os.path.join(folder, "long.mp4")):
    sys.exit("The batch did not convert the clip listed before it began")
if os.path.exists(os.path.join(folder, "later.mp4")):
    sys.exit("The batch converted a file handed over after it began")
wait_for("the file handed over during the batch", lambda: listed_now()[-1] == late_clip)
