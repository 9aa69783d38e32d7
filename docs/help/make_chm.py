#!/usr/bin/env python3
"""Compiles the user's guide of docs/help into Zephra.chm with chmcmd.

    make_chm.py OUTPUT.chm [--work DIR]

The table of contents is Zephra.hhc; the pages are every .htm file here, the
style sheet style.css, and the images are the ones the pages name as
images/NAME.png, taken from docs/images. A page that names a picture which does
not exist there stops the build. So adding a picture to the help is one <img>
in a page. The project file (.hhp) is written here too: its title "Zephra Help"
is the help window's title, which the program looks for.
"""
import argparse
import os
import re
import shutil
import subprocess
import sys

HELP_DIR = os.path.dirname(os.path.abspath(__file__))
IMAGES_DIR = os.path.join(os.path.dirname(HELP_DIR), "images")
TITLE = "Zephra Help"


def toc_pages(help_dir=HELP_DIR):
    """The pages the table of contents links, in order, without anchors."""
    with open(os.path.join(help_dir, "Zephra.hhc"), encoding="utf-8") as f:
        text = f.read()
    pages = []
    for local in re.findall(r'<param name="Local" value="([^"#]+)', text, re.I):
        if local not in pages:
            pages.append(local)
    return pages


def all_pages(help_dir=HELP_DIR):
    return sorted(n for n in os.listdir(help_dir) if n.endswith(".htm"))


def used_images(help_dir=HELP_DIR):
    """Every picture a page shows, as the names under images/."""
    names = set()
    for page in all_pages(help_dir):
        with open(os.path.join(help_dir, page), encoding="utf-8") as f:
            names.update(re.findall(r'<img[^>]+src="images/([^"]+)"', f.read(), re.I))
    return sorted(names)


def project_text(pages, images):
    files = "\n".join(pages + ["style.css"] + ["images/" + i for i in images])
    return (
        "[OPTIONS]\n"
        "Compatibility=1.1 or later\n"
        "Compiled file=Zephra.chm\n"
        "Contents file=Zephra.hhc\n"
        "Default Window=main\n"
        "Default topic=index.htm\n"
        "Display compile progress=No\n"
        "Full-text search=Yes\n"
        "Language=0x409 English (United States)\n"
        f"Title={TITLE}\n"
        "\n[WINDOWS]\n"
        f'main="{TITLE}","Zephra.hhc",,"index.htm","index.htm",,,,,0x63520,220,0x10384e,[80,60,880,660],,,,,,,0\n'
        "\n[FILES]\n" + files + "\n"
    )


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("output")
    parser.add_argument("--work", help="staging folder (default: next to the output)")
    args = parser.parse_args()
    output = os.path.abspath(args.output)
    work = os.path.abspath(args.work or output + ".work")

    pages = all_pages()
    missing_pages = [p for p in toc_pages() if p not in pages]
    images = used_images()
    missing_images = [i for i in images if not os.path.isfile(os.path.join(IMAGES_DIR, i))]
    if missing_pages or missing_images:
        for p in missing_pages:
            print(f"make_chm: the contents name {p}, which is not in docs/help", file=sys.stderr)
        for i in missing_images:
            print(f"make_chm: a page shows images/{i}, which is not in docs/images", file=sys.stderr)
        return 1

    shutil.rmtree(work, ignore_errors=True)
    os.makedirs(os.path.join(work, "images"))
    for name in pages + ["style.css", "Zephra.hhc"]:
        shutil.copy(os.path.join(HELP_DIR, name), work)
    for name in images:
        shutil.copy(os.path.join(IMAGES_DIR, name), os.path.join(work, "images"))
    with open(os.path.join(work, "Zephra.hhp"), "w", encoding="utf-8", newline="\r\n") as f:
        f.write(project_text(pages, images))

    run = subprocess.run(["chmcmd", "--no-html-scan", "Zephra.hhp"], cwd=work,
                         stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)
    built = os.path.join(work, "Zephra.chm")
    if run.returncode != 0 or not os.path.isfile(built):
        print(run.stdout, file=sys.stderr)
        print("make_chm: chmcmd failed", file=sys.stderr)
        return 1
    os.replace(built, output)
    return 0


if __name__ == "__main__":
    sys.exit(main())
