#!/usr/bin/python3
"""The program's main job on a sample crash report: NordaErrorDialog.exe under
Wine, with a settings server and a mail server on loopback, as the CAD
application would leave a crash. With a display it waits for you to use the
dialog; without one (or with NORDA_DEMO_HEADLESS=1) it runs on a virtual
display, types a description, presses "Send Error Report" itself and saves a
screenshot. Then it shows what arrived: the mail's headers, its text part and
the listing of the attached archive."""
import email
import io
import os
import subprocess
import sys
import zipfile

root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
sys.path.insert(0, os.path.join(root, "tests", "e2e"))
from prefix import WINE64, Prefix  # noqa: E402
import run_e2e  # noqa: E402


def main():
    build = os.path.join(root, "build", "win64")
    out = os.path.join(root, "build", "demo")
    os.makedirs(out, exist_ok=True)
    with open(os.path.join(build, "CMakeCache.txt")) as f:
        cache = dict(line.strip().split("=", 1) for line in f if line.startswith("NORDA_"))
    os.environ["NORDA_SETTINGS_BASE_URL"] = cache["NORDA_SETTINGS_BASE_URL:STRING"]
    os.environ["NORDA_SMTP_PORT"] = cache["NORDA_SMTP_PORT:STRING"]
    template = os.path.join(root, "build", "demo-template")
    if not os.path.isdir(os.path.join(template, "drive_c")):
        subprocess.run([os.path.join(root, "scripts", "wine", "make-template.sh"), template], check=True)

    prefix = Prefix(template, build)
    try:
        run_e2e.Crash(prefix, subject="Sample crash report")
        import shutil
        shutil.copy(os.path.join(build, "tests", "version_full.exe"), os.path.join(prefix.install, "NORDA.EXE"))
        peers, mail = run_e2e.start_mail_servers(prefix)
        try:
            if os.environ.get("DISPLAY") and not os.environ.get("NORDA_DEMO_HEADLESS"):
                print("The error report dialog is open on your display; send or don't send.")
                subprocess.run([WINE64, "C:\\NORDA\\NordaErrorDialog.exe"], env=prefix.env("en_US.UTF-8"),
                               stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            else:
                dialog = run_e2e.DIALOG
                prefix.drive([
                    "start C:\\NORDA\\NordaErrorDialog.exe", "wait-window " + dialog,
                    "type \"%s\" %d I was plotting a layout when NORDA+ closed." % (dialog, run_e2e.IDC_DESCRIPTION),
                    "screenshot C:\\demo.bmp",
                    "click \"%s\" %d" % (dialog, run_e2e.IDC_SEND),
                    "answer NordaErrorDialog ok", "wait-exit"])
                prefix.keep_dir = out
                print("screenshot of the dialog:", prefix.keep_screenshot("C:\\demo.bmp", "dialog"))
        finally:
            for peer in peers:
                peer.stop()
        show_mail(mail)
        with open(os.path.join(prefix.temp, "CrSendErr.log"), "rb") as f:
            print("\n== send-error log ==\n" + f.read().decode("cp1252").replace("\r\n", "\n"))
    finally:
        prefix.close()


def show_mail(folder):
    path = os.path.join(folder, "mail1.eml")
    if not os.path.exists(path):
        print("No mail arrived.")
        return
    with open(path, "rb") as f:
        message = email.message_from_binary_file(f)
    print("== mail headers ==")
    for name, value in message.items():
        print("%s: %s" % (name, value))
    parts = message.get_payload()
    print("\n== text part ==\n" + parts[0].get_payload(decode=True).decode("cp1252"))
    for part in parts[1:]:
        print("== attachment %s ==" % part.get_filename())
        with zipfile.ZipFile(io.BytesIO(part.get_payload(decode=True))) as archive:
            for info in archive.infolist():
                print("%10d  %10d  %s" % (info.file_size, info.compress_size, info.filename))


if __name__ == "__main__":
    main()
