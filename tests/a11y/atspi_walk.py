#!/usr/bin/python3
"""Walks Veilmark's windows on the accessibility bus (AT-SPI), as a screen reader sees them.

    atspi_walk.py VLMRK SOURCE_DIR IMAGE

Exit status 3 when the program never shows on the bus (the caller may try again).

Starts VLMRK with IMAGE (80 x 120 pixels) as its file argument, Qt accessibility on, under the
caller's X server and session bus. Then checks, in English and after a switch to Spanish through
the Language menu, that every caption of the main window and of the About box (opened and
closed through its accessible buttons) is a named object of the tree, the captioned icons as
push buttons; in English the status bar shows the capacity of IMAGE. Exit status 0 when all is
found; what is missing is printed.
"""
import os
import re
import subprocess
import sys
import time

import pyatspi

VLMRK, SOURCE_DIR, IMAGE = sys.argv[1:4]
ICON_LABELS = ["lbl1", "lbl2", "lbl3", "lbl6", "lbl4", "lbl5"]


def captions(language, form):
    """The Caption texts of a form (itself and its visible components) in a language source."""
    path = os.path.join(SOURCE_DIR, "resources", "lang", "Vlmrk.%s.txt" % language)
    found, current_form, component = {}, None, None
    for line in open(path, encoding="utf-8"):
        words = line.split()
        if line.startswith("form "):
            current_form, component = words[1], ""
        elif line.startswith("end") and not line.startswith("  "):
            current_form = None
        elif current_form == form and words[:1] == ["component"]:
            component = words[1]
        elif current_form == form and words[:1] == ["end"]:
            component = ""
        elif current_form == form and words[:2] == ["property", "Caption"]:
            found[component] = re.search(r'= "(.*)"$', line.strip()).group(1)
    # Action captions never show: the menu items and icons carry their own.
    return {k: v for k, v in found.items() if not k.startswith("act")}


def message(language, name):
    path = os.path.join(SOURCE_DIR, "resources", "lang", "Vlmrk.%s.txt" % language)
    for line in open(path, encoding="utf-8"):
        if re.match(r"\s*constant %s " % name, line):
            return re.search(r'= "(.*)"$', line.strip()).group(1)
    raise KeyError(name)


class NotOnTheBus(Exception):
    """The program never showed up (a busy machine, a display that did not start)."""


def find_app(program, seconds=60):
    pid = program.pid
    deadline = time.time() + seconds
    while time.time() < deadline:
        if program.poll() is not None:
            raise NotOnTheBus("Vlmrk ended with status %d before it showed on the accessibility bus" % program.returncode)
        desktop = pyatspi.Registry.getDesktop(0)
        for i in range(desktop.childCount):
            app = desktop.getChildAtIndex(i)
            try:
                if app is not None and app.get_process_id() == pid:
                    return app
            except Exception:
                pass
        time.sleep(0.3)
    raise NotOnTheBus("Vlmrk did not show on the accessibility bus within %d s" % seconds)


def walk(node, seen, depth=0):
    if node is None or depth > 40:
        return
    try:
        seen.append((node.getRoleName(), node.name or "", node))
        for i in range(node.childCount):
            walk(node.getChildAtIndex(i), seen, depth + 1)
    except Exception:
        pass


def tree(app):
    seen = []
    walk(app, seen)
    return seen


def press(seen, role, name):
    for r, n, node in seen:
        if r == role and n == name:
            action = node.queryAction()
            for i in range(action.nActions):
                if action.getName(i) in ("press", "click", "Press"):
                    action.doAction(i)
                    return
    raise SystemExit("no %s named %r to press" % (role, name))


def wait_for(app, predicate, seconds=20):
    deadline = time.time() + seconds
    while time.time() < deadline:
        seen = tree(app)
        if predicate(seen):
            return seen
        time.sleep(0.3)
    return tree(app)


def check(seen, expected, what):
    """expected: (role or None, name) pairs; answers the list of misses."""
    misses = []
    for role, name in expected:
        plain = name.replace("&", "")
        if not any(n == plain and (role is None or r == role) for r, n, _ in seen):
            misses.append("%s: %s %r" % (what, role or "object", plain))
    return misses


def main_window_expected(language):
    caps = captions(language, "Form1")
    expected = [(None, caps[""])]  # the window title
    expected += [("push button", caps[c]) for c in ICON_LABELS]
    expected += [("label", caps[c]) for c in ICON_LABELS]
    expected += [("image", caps["pnl3"])]
    expected += [(None, v) for k, v in caps.items() if k not in ICON_LABELS and k != "" and v != "-"]
    return expected


def about_expected(language):
    caps = captions(language, "AboutBox")
    expected = [("label", caps[c]) for c in ("sLabelFX1", "Copyright", "sLabel1")]
    expected += [("link", caps["Comments"]), ("push button", message(language, "SAboutCloseName"))]
    return expected


def run_language(app, language, misses, status):
    """Checks both windows in the language shown now; `status` is what the status bar starts with."""
    seen = wait_for(app, lambda s: any(r == "status bar" and n.startswith(status) for r, n, _ in s))
    if not any(r == "status bar" and n.startswith(status) for r, n, _ in seen):
        misses.append("%s: the status bar does not say %r" % (language, status))
    if os.environ.get("VLMRK_A11Y_DUMP"):
        for r, n, _ in seen:
            print("%s | %s | %r" % (language, r, n))
    misses += check(seen, main_window_expected(language), language + " main window")
    press(seen, "push button", captions(language, "Form1")["lbl4"])  # About
    seen = wait_for(app, lambda s: not check(s, about_expected(language), ""))
    misses += check(seen, about_expected(language), language + " About box")
    press(seen, "push button", message(language, "SAboutCloseName"))
    return seen


def main():
    env = dict(os.environ, QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1", QT_ACCESSIBILITY="1")
    env.pop("QT_QPA_PLATFORM", None)
    program = subprocess.Popen([VLMRK, IMAGE], env=env)
    misses = []
    try:
        try:
            app = find_app(program)
        except NotOnTheBus as error:
            print(error)
            return 3
        # Started with the image as its argument: the status bar tells its capacity (80 x 120 / 8).
        capacity = message("en", "STheMaximumNumberC").strip() + " 1200"
        seen = run_language(app, "en", misses, capacity)
        # The Language menu's Spanish item, chosen as a reader chooses it.
        spanish = [node for r, n, node in seen if n == "Spanish"]
        if not spanish:
            misses.append("no Spanish item in the Language menu")
        else:
            spanish[0].queryAction().doAction(0)
            run_language(app, "es", misses, message("es", "SReady"))
    finally:
        program.terminate()
        try:
            program.wait(10)
        except subprocess.TimeoutExpired:
            program.kill()
    for miss in misses:
        print("missing:", miss)
    print("AT-SPI walk: %s" % ("every caption found, English and Spanish" if not misses else "%d missing" % len(misses)))
    return 1 if misses else 0


if __name__ == "__main__":
    sys.exit(main())
