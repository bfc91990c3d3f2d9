"""The install benchmark's work, run by scripts/bench-install.sh inside a Wine session.

Generates each payload from a fixed seed, builds the setupkit setup and the
NSIS installers of it, runs every installer in interleaved rounds (the first
a warm-up), verifies every install and prints a markdown table of medians.
"""

import argparse
import hashlib
import os
import random
import shutil
import statistics
import subprocess
import sys
import time
from pathlib import Path

SEED = 20261207
MIB = 1 << 20

# name: (files, total bytes, nested folders besides the root, title)
PAYLOADS = {
    "small": (400, 20 * MIB, 39, "400 files / 20 MiB"),
    "many": (8000, 8000, 79, "8,000 one-byte files"),
    "large": (4000, 200 * MIB, 399, "4,000 files / 200 MiB"),
}

PRODUCT_INI = """APPNAME=Setupkit Bench
PRODUCTNAME=Setupkit Bench
SUBPRODUCTNAME=Bench
VERSION=1
INSTALLDIR=C:\\bench\\target\\
PROMPTINSTALLDIR=No
CHECKPREVVERSION=No
CHECKDELPHI=No
SUCCESSMESSAGE=No
DELPHIVER=D5
"""

# What an install leaves in the registry, removed before every run so that
# each one starts from the same state.
CLEAN_REG = """REGEDIT4

[-HKEY_CURRENT_USER\\Software\\Corvel Company]
[-HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Setupkit Bench]
"""

NSIS_SCRIPT = """Unicode true
Name "Setupkit Bench"
OutFile "{out}"
InstallDir "C:\\bench\\target"
RequestExecutionLevel user
{compression}
AutoCloseWindow true
Page instfiles
Section
  SetOutPath "$INSTDIR"
  File /r "{payload}/*"
SectionEnd
"""


def windows_path(path):
    return "Z:" + str(Path(path).resolve()).replace("/", "\\")


def folder_paths(count):
    """The root and `count` nested folders: folder k sits in folder (k - 1) // 4."""
    paths = [Path(".")]
    for k in range(1, count + 1):
        paths.append(paths[(k - 1) // 4] / f"dir{k:03d}")
    return paths


def file_sizes(rng, files, total):
    if total == files:
        return [1] * files
    weights = [rng.random() + 0.01 for _ in range(files)]
    scale = total / sum(weights)
    sizes = [max(1, int(w * scale)) for w in weights]
    sizes[-1] += total - sum(sizes)
    return sizes


def text_corpus(rng, size):
    words = ["".join(rng.choice("abcdefghijklmnopqrstuvwxyz") for _ in range(rng.randint(2, 10)))
             for _ in range(500)]
    lines, length = [], 0
    while length < size:
        line = " ".join(rng.choice(words) for _ in range(rng.randint(4, 14))) + "\r\n"
        lines.append(line)
        length += len(line)
    return "".join(lines).encode()


def make_payload(folder, files, total, nested):
    """Half text, half random bytes, the same bytes for the same arguments."""
    if folder.exists():
        shutil.rmtree(folder)
    rng = random.Random(SEED)
    folders = folder_paths(nested)
    corpus = text_corpus(rng, 4 * MIB)
    for path in folders:
        (folder / path).mkdir(parents=True, exist_ok=True)
    for index, size in enumerate(file_sizes(rng, files, total)):
        where = folder / folders[index % len(folders)]
        if index % 2 == 0:
            start = rng.randrange(len(corpus))
            data = (corpus[start:] + corpus)[:size]
            while len(data) < size:
                data += corpus[: size - len(data)]
            (where / f"file{index:05d}.txt").write_bytes(data)
        else:
            (where / f"file{index:05d}.bin").write_bytes(rng.randbytes(size))


def manifest(folder):
    """Every file's size by relative path, and the hash of every 25th file."""
    sizes, sample = {}, {}
    for number, path in enumerate(sorted(p for p in folder.rglob("*") if p.is_file())):
        relative = path.relative_to(folder).as_posix().lower()
        sizes[relative] = path.stat().st_size
        if number % 25 == 0:
            sample[relative] = hashlib.sha256(path.read_bytes()).hexdigest()
    return sizes, sample


def verify(target, expected):
    """What is wrong with the install in `target`, or None. Other files may be there."""
    sizes, sample = expected
    found = {p.relative_to(target).as_posix().lower(): p
             for p in target.rglob("*") if p.is_file()} if target.exists() else {}
    present = [name for name in sizes if name in found]
    total = sum(found[name].stat().st_size for name in present)
    if len(present) != len(sizes) or total != sum(sizes.values()):
        return f"{len(present)} of {len(sizes)} files, {total} of {sum(sizes.values())} bytes"
    for name, digest in sample.items():
        if hashlib.sha256(found[name].read_bytes()).hexdigest() != digest:
            return f"{name} differs"
    return None


class Bench:
    def __init__(self, args):
        self.args = args
        self.work = Path(args.work).resolve()
        self.prefix = Path(os.environ["WINEPREFIX"])
        self.target = self.prefix / "drive_c" / "bench" / "target"
        self.tools = Path(args.windows) / "tests" / "tools"

    def wine(self, *command):
        return subprocess.run(["wine", *command], capture_output=True, text=True,
                              stdin=subprocess.DEVNULL)

    def build(self, name):
        files, total, nested, _ = PAYLOADS[name]
        base = self.work / name
        product = base / "product"
        product.mkdir(parents=True, exist_ok=True)
        make_payload(product / "payload", files, total, nested)
        (product / "product.ini").write_text(PRODUCT_INI)
        builder = self.args.builder
        for packing, out in (("--store", "setup.exe"), (None, "setup-packed.exe")):
            subprocess.run([builder, "--product", str(product), "--stub", self.args.stub,
                            "--unrar", self.args.unrar, "--uninstaller", self.args.uninstaller,
                            "-o", str(base / out)] + ([packing] if packing else []), check=True)
        subprocess.run([builder, "--rar", str(product / "payload"), "--store", "-o",
                        str(base / "payload.rar")], check=True)
        if self.args.compare:
            other = Path(self.args.compare)
            subprocess.run([builder, "--product", str(product), "--stub", str(other / "setup.exe"),
                            "--unrar", str(other / "unrar.dll"), "--uninstaller",
                            self.args.uninstaller, "--store", "-o",
                            str(base / "setup-compare.exe")], check=True)
        for kind, compression in (("stored", "SetCompress off"), ("zlib", "SetCompressor zlib")):
            script = base / f"nsis-{kind}.nsi"
            script.write_text(NSIS_SCRIPT.format(out=base / f"nsis-{kind}.exe",
                                                  compression=compression,
                                                  payload=product / "payload"))
            subprocess.run(["makensis", "-V1", str(script)], check=True)
        return manifest(product / "payload")

    def variants(self, name):
        base = self.work / name
        press = windows_path(self.tools / "press_ok.exe")
        target = "C:\\bench\\target"
        rows = [("setupkit, stored, start to exit (welcome answered by a program)",
                 [press, windows_path(base / "setup.exe")]),
                ("setupkit, packed (the builder's default), start to exit",
                 [press, windows_path(base / "setup-packed.exe")])]
        if self.args.compare:
            rows.append((f"setupkit, stored, with {self.args.compare}",
                         [press, windows_path(base / "setup-compare.exe")]))
        rows += [
            ("NSIS, silent (`/S`), stored",
             [press, "--none", windows_path(base / "nsis-stored.exe"), "/S"]),
            ("NSIS, silent, zlib", [press, "--none", windows_path(base / "nsis-zlib.exe"), "/S"]),
            ("NSIS with its progress page, stored",
             [press, "--none", windows_path(base / "nsis-stored.exe")]),
            ("our unrar.dll alone, every entry RAR_EXTRACT to disk",
             [press, "--none", windows_path(self.tools / "unrar_all.exe"),
              windows_path(self.args.unrar), windows_path(base / "payload.rar"), target]),
            ("`cp -r` into the prefix (the physical limit here)", None),
        ]
        return rows

    def reset(self, clean_reg):
        if self.target.exists():
            shutil.rmtree(self.target)
        self.target.parent.mkdir(parents=True, exist_ok=True)
        self.wine("regedit", "/s", windows_path(clean_reg))
        os.sync()

    def run_one(self, name, command):
        if command is None:
            start = time.perf_counter()
            subprocess.run(["cp", "-r", str(self.work / name / "product" / "payload"),
                            str(self.target)], check=True)
            return time.perf_counter() - start
        result = self.wine(*command)
        if result.returncode != 0:
            sys.exit(f"{' '.join(command)} ended with {result.returncode}: {result.stderr}")
        return float(result.stdout.split()[-1])

    def keep_desktop(self):
        """Wine ends its desktop process a moment after the last window closes,
        and the next program then waits seconds for a new one: a box stays open
        for the whole run, so that every installer starts alike."""
        return subprocess.Popen(["wine", str(self.tools / "show_box.exe"), "0", "Bench",
                                 "Keeps the Wine desktop running"],
                                stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                                stderr=subprocess.DEVNULL)

    def measure(self, names, expected):
        clean_reg = self.work / "clean.reg"
        clean_reg.write_text(CLEAN_REG)
        keeper = self.keep_desktop()
        times = {}
        for round_number in range(self.args.rounds + 1):
            for name in names:
                for label, command in self.variants(name):
                    self.reset(clean_reg)
                    seconds = self.run_one(name, command)
                    problem = verify(self.target, expected[name])
                    if problem:
                        sys.exit(f"{name}: {label}: the install is wrong: {problem}")
                    if round_number > 0:
                        times.setdefault((name, label), []).append(seconds)
                    print(f"round {round_number} {name}: {label}: {seconds:.3f} s",
                          file=sys.stderr, flush=True)
        self.reset(clean_reg)
        keeper.terminate()
        return times

    def table(self, names, times):
        reference = "NSIS, silent (`/S`), stored"
        header = "| | " + " | ".join(PAYLOADS[n][3] for n in names) + " |"
        lines = [header, "|---|" + "---|" * len(names)]
        for label, _ in self.variants(names[0]):
            cells = []
            for name in names:
                median = statistics.median(times[(name, label)])
                base = statistics.median(times[(name, reference)])
                cells.append(f"{median:.2f} s ({median / base:.2f}×)")
            lines.append(f"| {label} | " + " | ".join(cells) + " |")
        return "\n".join(lines)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--work", required=True)
    parser.add_argument("--windows", required=True)
    parser.add_argument("--builder", required=True)
    parser.add_argument("--stub", required=True)
    parser.add_argument("--unrar", required=True)
    parser.add_argument("--uninstaller", required=True)
    parser.add_argument("--rounds", type=int, default=5)
    parser.add_argument("--compare", help="a folder with another setup.exe and unrar.dll")
    parser.add_argument("payloads", nargs="*", default=["small", "many", "large"])
    args = parser.parse_args()
    bench = Bench(args)
    expected = {name: bench.build(name) for name in args.payloads}
    times = bench.measure(args.payloads, expected)
    print(f"Medians of {args.rounds} interleaved rounds after a warm-up; "
          "ratios against NSIS silent stored.\n")
    print(bench.table(args.payloads, times))


if __name__ == "__main__":
    main()
