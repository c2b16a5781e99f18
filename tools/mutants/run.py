"""Break, build, test, restore: one line of results per break."""
import re
import subprocess
import sys
import os
import time

src, build, listing, out = sys.argv[1:5]
wanted = set(sys.argv[5:])


def unescape(text):
    return text.replace("\\n", "\n").replace("\\t", "\t")


breaks = []
for line in open(listing):
    if not line.strip() or line.startswith("#"):
        continue
    ident, folder, path, old, new, what = line.rstrip("\n").split("\t")
    if not wanted or ident in wanted:
        breaks.append((ident, folder, path, unescape(old), unescape(new), what))

with open(out, "a") as report:
    for ident, folder, path, old, new, what in breaks:
        file = f"{src}/{path}"
        original = open(file, newline="").read()
        if original.count(old) != 1:
            report.write(f"{ident}\t{folder}\tNOT-APPLIED\t{original.count(old)} matches in {path}\n")
            report.flush()
            continue
        started = time.time()
        try:
            open(file, "w", newline="").write(original.replace(old, new))
            made = subprocess.run(["cmake", "--build", build, "--target", f"test_{folder}", "-j4"],
                                  capture_output=True, text=True)
            if made.returncode != 0:
                verdict, detail = "BUILD-FAILED", made.stdout[-300:].replace("\n", " ")
            else:
                # The first failing test is enough to tell the break is caught.
                ran = subprocess.run(["ctest", "--output-on-failure", "--timeout", "300", "-R", f"^{folder}$"],
                                     cwd=build, capture_output=True, text=True,
                                     env=dict(os.environ, GTEST_FAIL_FAST="1"))
                failed = sorted(set(re.findall(r"\[  FAILED  \] (\S+?\.\S+?)(?: \(|,|$)", ran.stdout, re.M)))
                if ran.returncode == 0:
                    verdict, detail = "MISSED", ""
                elif failed:
                    verdict, detail = "caught", " ".join(failed)
                else:
                    verdict = "caught"
                    detail = "binary ended abnormally: " + " ".join(re.findall(r"\*\*\*\S+|Timeout|Exception\S*", ran.stdout))
        finally:
            open(file, "w", newline="").write(original)
        report.write(f"{ident}\t{folder}\t{verdict}\t{int(time.time() - started)}s\t{what}\t{detail}\n")
        report.flush()
