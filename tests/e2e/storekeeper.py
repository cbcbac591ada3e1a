"""The storekeeper's steps on the program's windows, and its files read back
with matslip-db."""
import os
import re
import shutil
import subprocess
import tempfile

from desktop import WAIT_SECONDS, Failed

STOCK_LIST = "材料库存列表"
ITEM_EDITOR_MENU = "项目编辑(材料进库)"
STOCK_IN_BUTTON = "添  加(进库)"
STOCK_IN_DONE = "添加成功返回主界面后刷新可显示"
SLIP_MENU = "开票预览(材料出库)"
SLIP_NAME = "材料出库单"
STOCK_OUT_BUTTON = "出库"
# Qt's own buttons, in its Chinese translation ("是(&Y)"...).
OK = re.compile("^确定")
YES = re.compile("^是")
NO = re.compile("^否")
TOO_MANY_PICKED = "您的选择已达到或超过了9项,一张票据只能打印9行数,系统将打印前9项"

# The stock list's geometry: rows 6 mm high (the first holds the column
# titles), columns as wide as the list makes them, in tenths of a
# millimetre, at the display scale of 100 %; Qt takes 96 dots per inch on an
# X server that sets no resolution of its own.
ROW_TENTHS = 60
COLUMN_TENTHS = [850, 850, 150, 200, 200, 250, 250]
PIXELS_PER_TENTH = 96 / 254
WORKBOOK = "表格"
WORKBOOK_GRID = "表格内容"
WORKBOOK_COLUMN_TENTHS = 320
# Alt+F4 is pressed up to three times, each given 10 s to close the window.
CLOSE_ATTEMPTS = 3
CLOSE_SECONDS = 10


def dump(tool, path):
    """The records of a table as dicts of field name to text, read from a
    copy of the table and its memo file (the program may hold the table's
    locks while it is open)."""
    with tempfile.TemporaryDirectory() as copy:
        table = os.path.join(copy, "t.mzk")
        shutil.copyfile(path, table)
        memo = os.path.splitext(path)[0] + ".edt"
        if os.path.exists(memo):
            shutil.copyfile(memo, os.path.join(copy, "t.edt"))
        r = subprocess.run([tool, "dump", table], capture_output=True)
    if r.returncode != 0:
        raise Failed("matslip-db dump %s: %s" % (path, r.stderr.decode()))
    lines = r.stdout.decode().split("\n")
    names = lines[0].split("\t")
    return [dict(zip(names, line.split("\t"))) for line in lines[1:] if line]


def number(text):
    return float(text) if text else 0.0


class Storekeeper:
    """The program on one folder, with the steps of a working day."""

    def __init__(self, program, tool):
        self.p = program
        self.tool = tool
        self.folder = program.folder
        self.main = None

    def start(self):
        self.main = self.p.start()
        return self.main

    def start_with_message(self):
        """Starts the program where it has something to say before its
        main window shows; the text it says."""
        self.p.start(main_window=False)
        text = self.message()
        self.main = self.p.main_window()
        return text

    def table(self, name="data.mzk"):
        return dump(self.tool, os.path.join(self.folder, name))

    # --- The stock list.

    def list_viewport(self):
        grid = self.p.control(self.main, None, STOCK_LIST)
        return grid.getChildAtIndex(0)

    def row_point(self, row, col=1):
        """Where the cell of list row `row` (1: the titles; 2: the first
        material) lies on the screen, with the list scrolled to its top."""
        x, y, _, _ = self.p.extents(self.list_viewport())
        left = sum(COLUMN_TENTHS[:col - 1]) + COLUMN_TENTHS[col - 1] / 2
        return (int(x + left * PIXELS_PER_TENTH),
                int(y + (row - 0.5) * ROW_TENTHS * PIXELS_PER_TENTH))

    def workbook_point(self, workbook, row, col):
        """Where a cell of the workbook lies, scrolled to its top: rows as
        the stock list's, columns 32 mm wide (a report has 7)."""
        grid = self.p.control(workbook, None, WORKBOOK_GRID)
        x, y, _, _ = self.p.extents(grid.getChildAtIndex(0))
        return (int(x + (col - 0.5) * WORKBOOK_COLUMN_TENTHS *
                    PIXELS_PER_TENTH),
                int(y + (row - 0.5) * ROW_TENTHS * PIXELS_PER_TENTH))

    def click_row(self, row, col=1):
        self.p.click_at(*self.row_point(row, col))

    def drag_rows(self, first, last, col=1):
        self.p.drag(self.row_point(first, col), self.row_point(last, col))

    # --- Windows opened from the main menu.

    def menu(self, *path):
        self.p.menu(self.main, *path)

    def dialog(self, title=None):
        return self.p.settled(self.p.window(title, role="dialog"))

    def message(self, seconds=WAIT_SECONDS):
        """The text of the message box shown now, closed with its 确定."""
        box, text = self.p.message(seconds)
        self.p.answer(box, OK)
        return text

    def item_editor(self):
        self.menu("编辑", ITEM_EDITOR_MENU)
        editor = self.dialog()
        self.p.control(editor, "push button", STOCK_IN_BUTTON)
        return editor

    def fill(self, window, **fields):
        """Types each field's text into the edit of that name (品名=...)."""
        for name, text in fields.items():
            self.p.set_text(self.p.control(window, "text", name), text)

    def close(self, window):
        """Closes a window as its title bar's close box does. Alt+F4 goes to
        the window the window manager has focused, which on a loaded machine
        can lag behind the one the program made active: the main window then
        gets it and ignores it while this modal one is open, so the keys are
        pressed again (the log says so)."""
        for attempt in range(1, CLOSE_ATTEMPTS + 1):
            if not self.p.showing(window):
                break
            self.p.settled(window)
            self.p.key("alt+F4")
            try:
                self.p.gone(window, CLOSE_SECONDS)
                break
            except Failed:
                if attempt == CLOSE_ATTEMPTS:
                    raise
                print("alt+F4 left window %r open for %d s; pressed again" %
                      (window.name, CLOSE_SECONDS), flush=True)
        self.back_to_main()

    def back_to_main(self):
        """Waits until the main window is active again (its list rebuilt)."""
        self.p.settled(self.main)

    def slip(self):
        """The stock-out window on the picked rows."""
        self.menu("编辑", SLIP_MENU)
        window = self.dialog()
        self.p.control(window, "push button", STOCK_OUT_BUTTON)
        return window

    def edit_slip_cell(self, window, line, column, text):
        """Types `text` into the slip's `line` (1 to 9) and `column` (1
        品名 ... 3 数量 ... 5 单价): the cursor starts on the signature row,
        15, column 6, and the arrow keys take it there."""
        ups = 15 - (4 + line)
        self.p.key(*(["Up"] * ups + ["Left"] * (6 - column)))
        self.p.type(text)
        self.p.key("Return")
