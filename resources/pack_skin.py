#!/usr/bin/env python3
"""Packs the skins and their images into the archive the executable embeds.

    pack_skin.py --skin resources/skin --stage DIR --out skin.7z [--sevenzip 7zz]

The archive is a solid 7z with one LZMA2 block: the six XML skins at its root
and the PNG images under res/common, res/mainWnd and res/MessageBoxWnd, with
"/" between folders. Only *.xml at the top of the skin folder and *.png under
res/ are taken, through a staging copy, so stray files never slip in. The
result is listed again and must hold exactly the expected files and folders;
until every skin has been written the images are still checked and the
missing skins are named.
"""

import argparse
import os
import shutil
import subprocess
import sys

SKINS = ("mainWnd.xml", "exitTipWnd.xml", "NetworkTipWnd.xml", "InstalledPathTipWnd.xml",
         "MessageBox1Wnd.xml", "MessageBox2Wnd.xml")

IMAGES = {
    "common": ["closebtn1", "closebtn2", "closebtn3", "closebtnM_1", "closebtnM_2", "closebtnM_3",
               "minbtn1", "minbtn2", "minbtn3"],
    "mainWnd": ["backBtn1", "backBtn2", "backBtn3", "bg1", "bg2", "bg3", "bg4", "Cb1", "Cb2",
                "customeBtn1", "customeBtn2", "customeBtn3", "finished", "ilogo", "installDirEdit",
                "installPrg1", "installPrg2", "logo", "tipLbl"],
    "MessageBoxWnd": ["icoNetwork", "icoQuest", "icoWarn"],
}

FOLDERS = ["res"] + ["res/" + f for f in IMAGES]


def expected_files(skins):
    return sorted(list(skins) + ["res/%s/%s.png" % (f, n) for f, names in IMAGES.items() for n in names])


def stage(skin_dir, stage_dir):
    shutil.rmtree(stage_dir, ignore_errors=True)
    os.makedirs(stage_dir)
    tops = sorted(n for n in os.listdir(skin_dir) if n.endswith(".xml") and os.path.isfile(os.path.join(skin_dir, n)))
    for name in tops:
        shutil.copyfile(os.path.join(skin_dir, name), os.path.join(stage_dir, name))
    res = os.path.join(skin_dir, "res")
    for folder, _, files in os.walk(res):
        for name in sorted(files):
            if not name.endswith(".png"):
                continue
            target = os.path.join(stage_dir, os.path.relpath(os.path.join(folder, name), skin_dir))
            os.makedirs(os.path.dirname(target), exist_ok=True)
            shutil.copyfile(os.path.join(folder, name), target)
    return tops


def listing(sevenzip, archive):
    out = subprocess.run([sevenzip, "l", "-slt", archive], stdout=subprocess.PIPE, check=True,
                         universal_newlines=True).stdout
    head, _, body = out.partition("----------")
    props = dict(line.split(" = ", 1) for line in head.splitlines() if " = " in line)
    files, folders = [], []
    for block in body.split("\n\n"):
        entry = dict(line.split(" = ", 1) for line in block.splitlines() if " = " in line)
        if "Path" in entry:
            (folders if entry.get("Attributes", "").startswith("D") else files).append(entry["Path"])
    return props, sorted(files), sorted(folders)


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--skin", required=True, help="the skin folder (XML files and res/)")
    parser.add_argument("--stage", required=True, help="scratch folder for the staged copy")
    parser.add_argument("--out", required=True, help="archive to write")
    parser.add_argument("--sevenzip", default="7zz", help="the 7-Zip command")
    args = parser.parse_args()

    tops = stage(args.skin, args.stage)
    out = os.path.abspath(args.out)
    if os.path.exists(out):
        os.remove(out)
    members = tops + (["res"] if os.path.isdir(os.path.join(args.stage, "res")) else [])
    # One solid LZMA2 block, single-threaded so that it stays one stream; no
    # time stamps, so the archive depends on the files' contents only.
    subprocess.run([args.sevenzip, "a", "-t7z", "-m0=lzma2", "-mx=9", "-ms=on", "-mmt=1", "-mtm=off", "-mtc=off",
                    "-mta=off", "-bso0", "-bsp0", out] + members, cwd=args.stage, check=True)

    props, files, folders = listing(args.sevenzip, out)
    problems = []
    if not props.get("Method", "").startswith("LZMA2") or props.get("Solid") != "+" or props.get("Blocks") != "1":
        problems.append("not one solid LZMA2 block (method %s, solid %s, blocks %s)" %
                        (props.get("Method"), props.get("Solid"), props.get("Blocks")))
    present = [s for s in SKINS if s in tops]
    missing = [s for s in SKINS if s not in tops]
    want = expected_files(present)
    extra = sorted(set(files) - set(want))
    lacking = sorted(set(want) - set(files))
    if extra:
        problems.append("unexpected files: " + ", ".join(extra))
    if lacking:
        problems.append("missing files: " + ", ".join(lacking))
    if folders != sorted(FOLDERS):
        problems.append("folders are %s, expected %s" % (", ".join(folders), ", ".join(sorted(FOLDERS))))
    if problems:
        os.remove(out)
        for p in problems:
            print("skin archive: " + p, file=sys.stderr)
        return 1
    if missing:
        print("skin archive: WARNING: %d of the six skins are not written yet (%s); the archive holds %d files "
              "and %d folders instead of 37 and 4" % (len(missing), ", ".join(missing), len(files), len(folders)))
    return 0


if __name__ == "__main__":
    sys.exit(main())
