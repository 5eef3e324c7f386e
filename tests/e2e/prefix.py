"""A private Wine prefix for one end-to-end scenario, laid out the way the
CAD application leaves a crash, and the means to run the UI driver in it."""
import configparser
import getpass
import os
import re
import shutil
import subprocess
import tempfile
import time
import zipfile

# Longer bounds for a slower (emulated 32-bit) program; the driver reads the factor too.
RUN_SECONDS = 180 * int(os.environ.get("NORDA_E2E_TIME_FACTOR") or 1)
# Plain "wine" starts through the 32-bit loader where wine32 is installed (maybe emulated).
WINE64 = "/usr/lib/wine/wine64" if os.access("/usr/lib/wine/wine64", os.X_OK) else "wine"


class Prefix:
    def __init__(self, template, build, keep_dir=None):
        self.scratch = tempfile.mkdtemp(prefix="norda-e2e.")
        self.path = os.path.join(self.scratch, "prefix")
        self.home = os.path.join(self.scratch, "home")
        os.makedirs(self.home)
        subprocess.run(["cp", "-a", template, self.path], check=True)
        self.build = build
        self.keep_dir = keep_dir
        self.user = os.path.join(self.path, "drive_c", "users", getpass.getuser())
        self.appdata = os.path.join(self.user, "AppData", "Roaming")
        self.documents = os.path.join(self.user, "Documents")
        self.temp = os.path.join(self.user, "Temp")
        self.report_folder = os.path.join(self.appdata, "CrashReport")
        # Where the program keeps its reports, as it names it; and the language it runs in.
        self.report_windows = self.windows_user_path("AppData", "Roaming", "CrashReport")
        self.lang = "en_US.UTF-8"
        self.install = self.unix("C:\\NORDA")
        os.makedirs(self.install, exist_ok=True)
        os.makedirs(self.report_folder, exist_ok=True)
        shutil.copy(os.path.join(build, "src", "ui", "NordaErrorDialog.exe"), self.install)
        # A build of the program alone takes the driver of another build.
        shutil.copy(os.environ.get("NORDA_DRIVER") or os.path.join(build, "tests", "ui_driver.exe"),
                    os.path.join(self.install, "ui_driver.exe"))

    def close(self):
        self.wine_env_run(["wineserver", "-k"], check=False)
        shutil.rmtree(self.scratch, ignore_errors=True)

    def unix(self, windows_path):
        """The Unix path of a C: path inside the prefix."""
        assert windows_path[:3].upper() == "C:\\", windows_path
        return os.path.join(self.path, "drive_c", *windows_path[3:].split("\\"))

    def windows_user_path(self, *parts):
        return "C:\\users\\" + getpass.getuser() + "\\" + "\\".join(parts)

    def env(self, lang=None):
        env = dict(os.environ)
        env.update(WINEPREFIX=self.path, HOME=self.home, WINEDEBUG="-all",
                   WINEDLLOVERRIDES="mscoree,mshtml=", LANG=lang or self.lang, LC_ALL=lang or self.lang)
        return env

    def wine_env_run(self, args, check=True):
        if args[0] == "wine":
            args = [WINE64] + args[1:]
        return subprocess.run(args, env=self.env(), check=check,
                              stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

    def drive(self, script):
        """Runs the UI driver with the script's lines; returns its output lines."""
        script_path = self.unix("C:\\driver-script.txt")
        with open(script_path, "w", encoding="utf-8") as f:
            f.write("\n".join(script) + "\n")
        out_path = os.path.join(self.scratch, "driver.out")
        with open(out_path, "wb") as out:
            # Wine's helpers inherit the standard handles: output goes to a file,
            # and the wait is for the process itself.
            process = subprocess.Popen(
                ["xvfb-run", "-a", "-s", "-screen 0 1024x768x24", WINE64,
                 "C:\\NORDA\\ui_driver.exe", "C:\\driver-script.txt"],
                env=self.env(), stdout=out, stderr=subprocess.DEVNULL,
                stdin=subprocess.DEVNULL)
            try:
                process.wait(RUN_SECONDS)
            except subprocess.TimeoutExpired:
                process.kill()
                process.wait()
        self.wine_env_run(["wineserver", "-k"], check=False)
        with open(out_path, encoding="utf-8", errors="replace") as f:
            lines = f.read().splitlines()
        if process.returncode != 0 or "done" not in lines:
            raise AssertionError("driver failed (%s):\n%s" % (process.returncode, "\n".join(lines)))
        return lines

    def keep_screenshot(self, windows_bmp, name):
        if not self.keep_dir:
            return None
        os.makedirs(self.keep_dir, exist_ok=True)
        target = os.path.join(self.keep_dir, name + ".png")
        subprocess.run(["convert", self.unix(windows_bmp), target], check=True)
        return target


def write(path, data):
    with open(path, "wb") as f:
        f.write(data)


def write_utf16(path, text):
    """A text file as the CAD application writes its lists: UTF-16 with BOM, CR LF."""
    write(path, b"\xff\xfe" + text.replace("\n", "\r\n").encode("utf-16-le"))


def read_ini(path):
    """A profile file as Windows writes it (UTF-16 with BOM, or ANSI)."""
    with open(path, "rb") as f:
        data = f.read()
    if data.startswith(b"\xff\xfe"):
        text = data[2:].decode("utf-16-le")
    else:
        text = data.decode("cp1252")
    parser = configparser.ConfigParser(interpolation=None, strict=False)
    parser.optionxform = str
    parser.read_string(text)
    return parser


def zip_entries(path, code_page=None):
    """Entry names (read in `code_page`, else as ZIP readers do without a flag) and contents."""
    with zipfile.ZipFile(path, metadata_encoding=code_page) as z:
        assert z.testzip() is None, "bad CRC in " + path
        return {info.filename: z.read(info) for info in z.infolist()}


SOURCE = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))


def rc_text(locale, pattern):
    """The quoted string at "%s" in `pattern` in the locale's res/lang/<ll-CC>.rc."""
    with open(os.path.join(SOURCE, "res", "lang", locale.split(".")[0].replace("_", "-") + ".rc"),
              encoding="utf-8") as f:
        return re.search(pattern % r"\"((?:[^\"]|\"\")*)\"", f.read()).group(1).replace('""', '"')


def rc_caption(locale, dialog="IDD_ERROR_REPORT"):
    return rc_text(locale, dialog + r"\s+DIALOGEX[^\n]*\n(?:[^\n]*\n)*?CAPTION\s+%s")


def rc_string(name, locale="en_US.UTF-8"):
    """A string of the string table, its escapes as the driver prints them."""
    return rc_text(locale, name + r"\s+%s")


def wait_until(condition, seconds=10):
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        if condition():
            return True
        time.sleep(0.1)
    return condition()


class Peer:
    """A loopback server of tests/peers/ for the length of a scenario."""

    def __init__(self, script, arguments, folder):
        peers = os.path.join(os.path.dirname(os.path.dirname(os.path.abspath(__file__))), "peers")
        self.folder = folder
        name = os.path.splitext(script)[0]
        self.port_file = os.path.join(folder, name + ".port")
        self.stop_file = os.path.join(folder, name + ".stop")
        self.exited_file = os.path.join(folder, name + ".exited")
        self.process = subprocess.Popen(
            ["/usr/bin/python3", os.path.join(peers, script), "--port-file", self.port_file,
             "--stop-file", self.stop_file, "--exited-file", self.exited_file,
             "--lifetime", str(RUN_SECONDS + 60)] + arguments,
            stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        if not wait_until(lambda: os.path.exists(self.port_file) or self.process.poll() is not None, 30):
            raise AssertionError("the peer %s did not start" % script)
        if self.process.poll() is not None:
            raise AssertionError("the peer %s ended at once" % script)

    def stop(self):
        with open(self.stop_file, "w") as f:
            f.write("stop\n")
        try:
            self.process.wait(15)
        except subprocess.TimeoutExpired:
            self.process.kill()
            self.process.wait()
