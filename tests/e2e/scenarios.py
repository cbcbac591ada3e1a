"""One scenario per task of a storekeeper's day. Each takes the storekeeper
(the program on a fresh demo folder) and the checks to report to."""
import csv
import html
import os
import re
import shutil
import subprocess
import tempfile

from desktop import Failed, wait_for
from storekeeper import (NO, OK, SLIP_MENU, STOCK_LIST, WORKBOOK, STOCK_IN_BUTTON, STOCK_IN_DONE,
                         STOCK_OUT_BUTTON, TOO_MANY_PICKED, YES, number)

CANCEL_STOCK_IN = "取消进库"
PRINT_BUTTON = "打印"
SLIP_PDF_TITLE = "保存出库单"
SLIP_PDF_NAME = "材料出库单.pdf"
SLIP_TITLE = "澜栖供电有限责任公司材料出库单"
LEDGER_MENU = "进出库簿"
LEDGER_IN_HEADING = "以下是%s进库记录:"
STOCK_LIST_FIND = "项目查找"
FIND_CAPTION = "请输入您想要查找的内容"
WB_FILE = "F.文件"
WB_OPEN = "O.打开表格"
WB_SAVE = "A.另存为表格"
WB_EXPORT = "W.转为电子表格"
WB_PRINT_TABLE = "C.生成打印表格"
WB_EDIT = "E.编辑"
WB_FIND = "Y.查找"
WB_SORT_UP = "Z.排序↑"
WB_COLUMN_SUM = "H.光标所在列求和"
EXPORT_CAPTION = re.compile("^请输入:欲保存的电子表格名称")
EXPORT_DONE = "已转换电子表格"
CANCEL = re.compile("^取消")
PRINT_TABLE_WINDOW = "打印表格"
TOOLBAR_PRINT = "打 印"
TOOLBAR_EXIT = "退 出"
PRINT_TABLE_PDF_TITLE = "保存打印表格"
PRINT_TABLE_PDF_NAME = "打印表格.pdf"
REPAIRED = "材料数据表已损坏，程序已将其修复"
BACK_UP = "备份数据库"
BACKED_UP = "数据库已备份"
BACKUP_FOLDER = "备份数据库"
CLEAR = "清空数据库"
CLEARED = "数据库已清空"
RESTORE = "导入  备份 "
IMPORT = "从电子表读"
IMPORT_DONE = "添加完毕"
GRID_SAVE_TITLE = "请输入欲另存到的表格文件名："
GRID_OPEN_TITLE = "请选择要打开的表格文件："
DELETE_BUTTON = "删除"
# A material the demo data does not hold.
NEW = ("瓷横担绝缘子", "S-210")


def material(rows, name, spec):
    """The record of the material with this 品名 and 规格型号, or None."""
    for r in rows:
        if r["品名"] == name and r["规格型号"] == spec:
            return r
    return None


def open_editor_on(s, row, checks=None):
    """The item editor on the material of stock-list row `row`, after
    checking that the click found that material."""
    expected = s.table()[row - 2]
    s.click_row(row)
    editor = s.item_editor()
    name = s.p.control(editor, "text", "品名")
    wait_for("the editor to show %s" % expected["品名"],
             lambda: s.p.text_of(name) == expected["品名"], 10)
    spec = s.p.text_of(s.p.control(editor, "text", "规格型号"))
    if spec != expected["规格型号"]:
        raise Failed("a click on list row %d opened the editor on %s %s, not "
                     "%s %s" % (row, s.p.text_of(name), spec,
                                expected["品名"], expected["规格型号"]))
    return editor


def receive(s, editor, **fields):
    """Books a receipt in the open editor; the message shown after it."""
    s.fill(editor, **fields)
    s.p.click(s.p.control(editor, "push button", STOCK_IN_BUTTON))
    return s.message()


def receipt(s, checks):
    """A receipt of an existing material typed with a thousands separator,
    a new material, a quantity that is no number, 删除 and the menus from
    the keyboard."""
    s.start()
    before = s.table()
    editor = open_editor_on(s, 2)
    first = before[0]
    checks.equal(receive(s, editor, 数量="1,200"), STOCK_IN_DONE,
                 "message after a receipt of 1,200")
    after = material(s.table(), first["品名"], first["规格型号"])
    checks.equal(number(after["数量"]), number(first["数量"]) + 1200,
                 "stock after a receipt typed as \"1,200\"")

    checks.equal(receive(s, editor, 品名=NEW[0], 规格型号=NEW[1],
                         单位="片", 单价="35.5", 数量="40", 报警数量="10"),
                 STOCK_IN_DONE, "message after a receipt of a new material")
    new = material(s.table(), *NEW)
    if checks.expect(new is not None, "the new material is not in the table"):
        checks.equal((new["单位"], number(new["数量"]), number(new["单价"]),
                      number(new["金额"]), number(new["报警数量"])),
                     ("片", 40.0, 35.5, 1420.0, 10.0), "the new material")
    count = len(s.table())

    text = receive(s, editor, 数量="abc")
    checks.expect(text != STOCK_IN_DONE and "数量" in text,
                  "a quantity \"abc\" got %r, not a refusal naming 数量" % text)
    after_abc = material(s.table(), *NEW)
    checks.expect(after_abc == new and len(s.table()) == count,
                  "a quantity \"abc\" changed the table")

    # 删除 on the material shown: a question naming it, 否 the default.
    s.p.click(s.p.control(editor, "push button", DELETE_BUTTON))
    box, text = s.p.message()
    buttons = [b.name for b in s.p.find_in(box, "push button", None, True)]
    if checks.expect(any(NO.match(b) for b in buttons) and NEW[0] in text,
                     "删除 showed %r with %s, not a question naming the "
                     "material" % (text, buttons)):
        s.p.key("Return")
        s.p.gone(box)
        checks.expect(material(s.table(), *NEW) is not None,
                      "Enter on the delete question deleted the material")
    else:
        s.p.answer(box, buttons[0])
    s.close(editor)

    # F10 makes the menu bar the keyboard's; Down opens the menu there.
    s.p.key("F10", "Down")
    try:
        wait_for("a menu opened by F10", s.p.shown_menu, 5)
        s.p.key("Escape", "Escape")
    except Failed:
        checks.expect(False, "F10 in the main window opened no menu")


def receipt_undo(s, checks):
    """A receipt undone with 取消进库 puts the material back as it was."""
    s.start()
    before = s.table()[1]
    editor = open_editor_on(s, 3)
    checks.equal(receive(s, editor, 数量="100"), STOCK_IN_DONE,
                 "message after a receipt")
    s.close(editor)
    booked = s.table()[1]
    checks.equal(number(booked["数量"]), number(before["数量"]) + 100,
                 "stock after the receipt")
    s.click_row(3)
    s.menu("编辑", CANCEL_STOCK_IN)
    box, text = s.p.message()
    checks.expect(before["品名"] in text, "the undo question %r does not "
                  "name the material" % text)
    s.p.answer(box, YES)
    s.back_to_main()
    wait_for("the record put back", lambda: s.table()[1] == before, 10)


def undo_after_issue(s, checks):
    """取消进库 after the material was issued must not take the issue back:
    either it refuses, or it undoes only the receipt."""
    s.start()
    before = s.table()[2]
    stock = number(before["数量"])
    editor = open_editor_on(s, 4)
    checks.equal(receive(s, editor, 数量="100"), STOCK_IN_DONE,
                 "message after a receipt")
    s.close(editor)
    # Another cell of the row than the one clicked last, which a rebuild
    # put the cursor back on.
    s.click_row(4, 2)
    slip = s.slip()
    s.edit_slip_cell(slip, 1, 3, "30")
    book_slip(s, slip)
    issued = s.table()[2]
    checks.equal(number(issued["数量"]), stock + 100 - 30,
                 "stock after the receipt of 100 and the issue of 30")

    s.click_row(4)
    s.menu("编辑", CANCEL_STOCK_IN)
    box, text = s.p.message()
    # Either a message that says why not, or the table replaced.
    stat = os.stat(os.path.join(s.folder, "data.mzk"))
    s.p.answer(box, YES)
    def settled():
        if s.p._message_box():
            return "message"
        st = os.stat(os.path.join(s.folder, "data.mzk"))
        return "replaced" if (st.st_ino, st.st_mtime_ns) != (
            stat.st_ino, stat.st_mtime_ns) else None
    if wait_for("the undo to answer", settled) == "message":
        s.message()
    after = s.table()[2]
    checks.expect(number(after["数量"]) in (stock + 70, stock - 30),
                  "取消进库 after an issue of 30 left a stock of %s, not "
                  "%s (refused) or %s (the receipt alone undone)" %
                  (after["数量"], stock + 70, stock - 30))
    checks.expect(after["出库记录"] == issued["出库记录"] and
                  after["出库数量"] == issued["出库数量"],
                  "取消进库 took away the issue booked after the receipt "
                  "(出库记录 %r, was %r)" % (after["出库记录"],
                                            issued["出库记录"]))


def book_slip(s, slip):
    s.p.click(s.p.control(slip, "push button", STOCK_OUT_BUTTON))
    s.p.gone(slip)
    s.back_to_main()


def slip_of_three(s, checks):
    """Three rows clicked one by one make a slip of three lines; the second
    line's quantity is typed with a thousands separator before booking."""
    s.start()
    before = s.table()
    for row in (6, 7, 8):
        s.click_row(row)
    slip = s.slip()
    s.edit_slip_cell(slip, 2, 3, "1,000")
    book_slip(s, slip)
    after = s.table()
    issued = [number(after[i]["出库数量"]) for i in (4, 5, 6)]
    checks.equal(issued, [number(before[4]["数量"]), 1000.0,
                          number(before[6]["数量"])],
                 "quantities issued on the slip of three, the second typed "
                 "as \"1,000\"")
    checks.equal([number(after[i]["数量"]) for i in (4, 5, 6)],
                 [0.0, number(before[5]["数量"]) - 1000, 0.0],
                 "stock after the slip")
    checks.equal(number(after[5]["出库金额"]), 1000 * number(before[5]["单价"]),
                 "amount of the edited line")
    checks.expect(all(after[i]["出库记录"] for i in (4, 5, 6)),
                  "a line of the slip has no 出库记录")
    checks.equal(after[7:], before[7:], "materials not on the slip")


def ten_row_pick(s, checks):
    """Ten rows dragged over: the message says the first nine are taken,
    and after it the slip holds those nine."""
    s.start()
    before = s.table()
    s.drag_rows(2, 11)
    checks.equal(s.message(), TOO_MANY_PICKED, "message after ten rows")
    s.back_to_main()
    s.menu("编辑", SLIP_MENU)
    window = s.p.window(role=re.compile("^(dialog|alert)$"))
    if window.getRoleName() == "alert":
        text = s.message()
        checks.expect(False, "after the nine-line message the picks were "
                      "gone: 开票预览 said %r" % text)
        return
    book_slip(s, window)
    after = s.table()
    checks.equal([number(r["数量"]) for r in after[:10]],
                 [0.0] * 9 + [number(before[9]["数量"])],
                 "stock of the ten rows after booking the slip of the first "
                 "nine (whole stock issued)")


def pick_again(s, checks):
    """A slip closed without booking; the same cell clicked again picks the
    row again. A quantity beyond the stock is asked about, 否 the default."""
    s.start()
    before = s.table()
    s.click_row(8)
    s.close(s.slip())
    s.click_row(8)
    s.menu("编辑", SLIP_MENU)
    window = s.p.window(role=re.compile("^(dialog|alert)$"))
    if window.getRoleName() == "alert":
        text = s.message()
        checks.expect(False, "a click on the row clicked before the slip "
                      "picked nothing: 开票预览 said %r" % text)
        s.click_row(8, 2)
        window = s.slip()
    s.edit_slip_cell(window, 1, 3, "999999")
    s.p.click(s.p.control(window, "push button", STOCK_OUT_BUTTON))
    try:
        box = wait_for("a question before issuing more than the stock",
                       s.p._message_box, 10)
    except Failed:
        checks.expect(False, "a slip line of 999999 with a stock of %s was "
                      "booked without a question" % before[6]["数量"])
        return
    box_text = "\n".join(s.p.texts(box))
    checks.expect(before[6]["规格型号"] in box_text,
                  "the question %r does not name the line" % box_text)
    s.p.key("Return")
    s.p.gone(box)
    checks.expect(s.p.showing(window), "Enter on the question (否 the "
                  "default) closed the slip")
    checks.equal(s.table(), before, "the table after 否")


# What Qt's file dialog shows in English where the Chinese locale is not
# in force: the type of a folder, an unknown size, a month's name.
ENGLISH_IN_FILE_DIALOG = re.compile(
    r"\b(Folder|unknown|Jan|Feb|Mar|Apr|May|Jun|Jul|Aug|Sep|Oct|Nov|Dec)\b")


def file_dialog(s, title, path=None):
    """Answers the file dialog titled `title`: the path typed into its
    file name box (or the name it proposes), then Enter. The texts it showed
    are returned."""
    dialog = s.dialog(title)
    name_box = wait_for("the file name box", lambda: next(
        (t for t in s.p.find_in(dialog, "text", None, True)
         if t.getState().contains(s.p.atspi.STATE_FOCUSED)), None))
    shown = s.p.texts(dialog)
    if path is not None:
        s.p.set_text(name_box, path)
    s.p.key("Return")
    s.p.gone(dialog)
    return shown


def pdf_pages(path):
    """The text of each page of a PDF file."""
    r = subprocess.run(["pdftotext", "-layout", path, "-"], capture_output=True)
    if r.returncode != 0:
        raise Failed("pdftotext %s: %s" % (path, r.stderr.decode()))
    return r.stdout.decode().split("\f")[:-1]


def slip_pdf(s, checks):
    """A slip of three printed, with no printer installed, into the PDF
    file the file dialog proposes, and read back."""
    os.mkdir(os.path.join(s.folder, "旧单据"))
    s.start()
    rows = s.table()[4:7]
    for row in (6, 7, 8):
        s.click_row(row)
    slip = s.slip()
    s.p.click(s.p.control(slip, "push button", PRINT_BUTTON))
    shown = file_dialog(s, SLIP_PDF_TITLE)
    english = sorted({m.group(0) for t in shown
                      for m in ENGLISH_IN_FILE_DIALOG.finditer(t)})
    checks.expect(not english, "the file dialog speaks English: %s" % english)
    pdf = os.path.join(s.folder, SLIP_PDF_NAME)
    wait_for(pdf, lambda: os.path.exists(pdf) and os.path.getsize(pdf) > 0)
    s.close(slip)
    pages = pdf_pages(pdf)
    checks.equal(len(pages), 1, "pages of the slip")
    text = "".join(pages)
    total = sum(number(r["数量"]) * number(r["单价"]) for r in rows)
    for piece in [SLIP_TITLE, "%g" % total] + [r["规格型号"] for r in rows]:
        checks.expect(piece in text, "the printed slip lacks %r:\n%s" %
                      (piece, text))


def find(s, text):
    """One use of the find item just chosen: the text asked for, typed,
    Enter; the 编辑 menu it pops up on a find is closed again. The message
    shown instead, if any."""
    box = s.dialog(FIND_CAPTION)
    s.p.set_text(s.p.control(box, "text", None), text)
    s.p.key("Return")
    s.p.gone(box)
    if wait_for("the 编辑 menu or a message after the find",
                lambda: s.p.shown_menu() or s.p._message_box()) \
            .getRoleName() == "alert":
        return s.message()
    s.p.key("Escape")
    return None


def tip(s, point):
    """The hover tip shown with the mouse at `point`."""
    s.p.move_to(*point)
    window = wait_for("a hover tip", lambda: next(
        (w for w in s.p.top_windows() if w.getRoleName() == "tool tip"),
        None))
    return " ".join(s.p.texts(window))


def reports(s, checks):
    """The ledger of a material, a find in the stock list, and the year's
    receipts in the workbook: a column sum, a sort, a find, saved as a grid
    file and opened again."""
    s.start()
    first = s.table()[0]
    s.click_row(2)
    s.menu("编辑", LEDGER_MENU)
    ledger = s.dialog()
    text = s.p.text_of(s.p.control(ledger, "text", None))
    checks.expect(LEDGER_IN_HEADING % first["品名"] in text and
                  "数量 %s" % first["数量"] in text,
                  "the ledger of %s lacks its receipt:\n%s" %
                  (first["品名"], text))
    s.close(ledger)

    # The last material but one, found, is scrolled into view.
    s.click_row(2)
    s.menu("编辑", STOCK_LIST_FIND)
    checks.equal(find(s, s.table()[-2]["品名"]), None,
                 "message after finding the last material but one")
    bar = s.p.control(s.p.control(s.main, None, STOCK_LIST), "scroll bar",
                      None)
    checks.expect(bar.queryValue().currentValue > 0,
                  "项目查找 found the last row but one and left the list at "
                  "its top, the row out of view")

    s.menu("统计", "本年进库")
    book = s.dialog(WORKBOOK)
    report = s.table("qd.mzk")
    total = sum(number(r["本年进库金额"]) for r in report)
    s.p.click_at(*s.workbook_point(book, 2, 6))
    s.p.menu(book, WB_EDIT, WB_COLUMN_SUM)
    shown = tip(s, s.workbook_point(book, 3, 6))
    checks.expect(("%g" % total) in shown and ("%g" % (2 * total)) not in shown,
                  "光标所在列求和 shows %r for amounts totalling %g" %
                  (shown, total))

    s.p.click_at(*s.workbook_point(book, 2, 4))
    s.p.menu(book, WB_EDIT, WB_SORT_UP)
    sorted_path = os.path.join(s.folder, "qd4.mzk")
    wait_for("qd4.mzk", lambda: os.path.exists(sorted_path))
    book = s.dialog(WORKBOOK)
    prices = [number(r["单价"]) for r in s.table("qd4.mzk")]
    checks.expect(prices == sorted(prices) and len(prices) == len(report),
                  "排序↑ on 单价 gave %s" % prices)

    s.p.click_at(*s.workbook_point(book, 2, 1))
    s.p.menu(book, WB_EDIT, WB_FIND)
    checks.equal(find(s, "电杆"), None, "message after finding 电杆")

    grid_file = os.path.join(s.folder, "year.grd")
    s.p.menu(book, WB_FILE, WB_SAVE)
    file_dialog(s, GRID_SAVE_TITLE, grid_file)
    wait_for(grid_file, lambda: os.path.exists(grid_file))
    s.p.menu(book, WB_FILE, WB_OPEN)
    file_dialog(s, GRID_OPEN_TITLE, grid_file)
    wait_for("the workbook titled after the grid file",
             lambda: s.p.x_window_titled("year"))


def html_rows(path):
    """The cell texts of each table row of an HTML worksheet."""
    with open(path, "rb") as f:
        page = f.read().decode("gb18030")
    rows = []
    for row in re.findall(r"<tr[^>]*>(.*?)</tr>", page, re.S | re.I):
        cells = re.findall(r"<td[^>]*>(.*?)</td>", row, re.S | re.I)
        rows.append([html.unescape(re.sub(r"<[^>]*>", "", c)).strip()
                     for c in cells])
    return rows


def spreadsheet_rows(path):
    """The rows of a spreadsheet file as a spreadsheet program reads them:
    converted to CSV by LibreOffice where it is installed, else read as the
    HTML worksheet the export writes."""
    office = shutil.which("soffice") or shutil.which("libreoffice")
    if not office:
        return html_rows(path)
    with tempfile.TemporaryDirectory() as out:
        subprocess.run([office, "--headless", "--convert-to",
                        "csv:Text - txt - csv (StarCalc):44,34,76", "--outdir",
                        out, path], capture_output=True, timeout=120)
        name = os.path.splitext(os.path.basename(path))[0] + ".csv"
        with open(os.path.join(out, name), encoding="utf-8") as f:
            return [r for r in csv.reader(f)]


def export(s, checks):
    """The year's receipts written as a spreadsheet under a name typed
    after the name box had been open for a while, and read back."""
    s.start()
    s.menu("统计", "本年进库")
    book = s.dialog(WORKBOOK)
    report = s.table("qd.mzk")
    s.p.menu(book, WB_FILE, WB_EXPORT)
    box = s.dialog(EXPORT_CAPTION)
    # Someone thinking of a name: nothing else may come over the box.
    others = lambda: [w for w in s.p.top_windows()
                      if w.getRoleName() != "frame" and
                      w.name not in (WORKBOOK, box.name)]
    try:
        wait_for("another window over the name box", others, 6)
        checks.expect(False, "while the export's name box was open %s came "
                      "over it" % [w.name for w in others()])
        for w in others():
            s.p.click(s.p.control(w, "push button", CANCEL))
            s.p.gone(w)
    except Failed:
        pass
    s.p.set_text(s.p.control(box, "text", None), "年报")
    s.p.click(s.p.control(box, "push button", OK))
    try:
        checks.equal(s.message(10), EXPORT_DONE, "message after the export")
    except Failed:
        checks.expect(False, "the export said nothing after the name")
    written = [n for n in os.listdir(s.folder) if re.match(r"年报.*\.xls$", n)]
    if not checks.expect(len(written) == 1, "the export wrote %s" % written):
        return
    rows = spreadsheet_rows(os.path.join(s.folder, written[0]))
    columns = [c for c in report[0] if c != "#"]
    checks.equal(rows[0][:len(columns)], columns, "the column titles")
    got = [r[:6] for r in rows[1:]]
    want = [[r[c] for c in columns[:6]] for r in report]
    as_numbers = lambda t: [[float(c) if re.fullmatch(r"-?[\d.]+", c) else c
                             for c in r] for r in t]
    checks.equal(as_numbers(got), as_numbers(want),
                 "the spreadsheet's rows against the report")


def print_table(s, checks):
    """The year's receipts as a print table, printed into the PDF file the
    dialog proposes; then the toolbar's 退 出, which must still be within
    reach."""
    s.start()
    s.menu("统计", "本年进库")
    book = s.dialog(WORKBOOK)
    s.p.menu(book, WB_FILE, WB_PRINT_TABLE)
    toolbar = s.p.settled(s.p.window(PRINT_TABLE_WINDOW))
    s.p.click(s.p.control(toolbar, "push button", TOOLBAR_PRINT))
    file_dialog(s, PRINT_TABLE_PDF_TITLE)
    pdf = os.path.join(s.folder, PRINT_TABLE_PDF_NAME)
    wait_for(pdf, lambda: os.path.exists(pdf) and os.path.getsize(pdf) > 0)
    pages = pdf_pages(pdf)
    for number_, page in enumerate(pages, 1):
        checks.expect("品名" in page and "进库日期" in page,
                      "page %d of %d of the print table does not hold the "
                      "whole width of the table:\n%s" %
                      (number_, len(pages), page))
    for r in s.table("qd.mzk"):
        checks.expect(any(r["规格型号"] in page for page in pages),
                      "the print table lacks %s" % r["规格型号"])
    # A click where 退 出 lies reaches it only if the window is on top.
    exit_button = s.p.control(toolbar, "push button", TOOLBAR_EXIT)
    s.p.click(exit_button)
    try:
        s.p.gone(toolbar, 10)
    except Failed:
        checks.expect(False, "after printing, the print toolbar window lay "
                      "behind other windows: a click on its 退 出 did not "
                      "reach it")


def cut_last_record(path):
    """Cuts the table file short by its last record, as a copy broken off
    does; the header still counts it."""
    with open(path, "rb") as f:
        header = f.read(28)
    record_length = int.from_bytes(header[24:28], "little")
    os.truncate(path, os.path.getsize(path) - record_length)


def table_replaced_or_message(s, before):
    """Waits for the table file to be replaced or a message to show;
    returns the message's text, or None."""
    path = os.path.join(s.folder, "data.mzk")
    identity = lambda st: (st.st_ino, st.st_mtime_ns, st.st_size)
    def settled():
        if s.p._message_box():
            return "message"
        return "replaced" if identity(os.stat(path)) != before else None
    if wait_for("the table replaced or a message", settled) == "message":
        return s.message()
    return None


def backup_restore(s, checks):
    """On a table cut short (which the program repairs at start): 备份数据库,
    清空数据库, then 导入 备份 of that backup puts the table back."""
    cut_last_record(os.path.join(s.folder, "data.mzk"))
    text = s.start_with_message()
    checks.expect(REPAIRED in text, "no word of the repair at start: %r" % text)
    repaired = s.table()

    s.menu("数据", BACK_UP)
    checks.equal(s.message(), BACKED_UP, "message after 备份数据库")
    backups = os.path.join(s.folder, BACKUP_FOLDER)
    made = [n for n in os.listdir(backups) if n.endswith(".mzk")]
    if not checks.expect(len(made) == 1, "备份数据库 made %s" % made):
        return
    s.menu("数据", CLEAR)
    checks.equal(s.message(), CLEARED, "message after 清空数据库")
    checks.equal(s.table(), [], "the table after 清空数据库")

    path = os.path.join(s.folder, "data.mzk")
    st = os.stat(path)
    s.menu("数据", RESTORE)
    file_dialog(s, None, os.path.join(backups, made[0]))
    text = table_replaced_or_message(s, (st.st_ino, st.st_mtime_ns,
                                         st.st_size))
    checks.expect(text is None, "导入 备份 of the program's own backup said "
                  "%r" % text)
    checks.equal(s.table(), repaired, "the table after the restore")


def write_sheet(path, materials):
    """A CSV file as a spreadsheet program saves one: a title row, a row of
    headings, then one material a row from column B; numbers formatted
    with thousands separators are quoted."""
    with open(path, "w", encoding="utf-8-sig", newline="") as f:
        w = csv.writer(f, quoting=csv.QUOTE_MINIMAL)
        w.writerow(["材料清单"] + [""] * 7)
        w.writerow(["序号", "品名", "规格型号", "单位", "数量", "单价", "金额",
                    "报警数量"])
        for i, m in enumerate(materials, 1):
            w.writerow([i] + list(m))


def import_sheet(s, path):
    """数据 → 从电子表读 on `path`; the message it ends with."""
    s.menu("数据", IMPORT)
    file_dialog(s, None, path)
    text = s.message()
    s.back_to_main()
    return text


def spreadsheet_import(s, checks):
    """A spreadsheet with formatted numbers, then one of 1,000 rows."""
    s.start()
    before = len(s.table())
    formatted = os.path.join(s.folder, "..", "formatted.csv")
    write_sheet(formatted, [
        ("复合绝缘子", "FXBW-10/70", "支", "1,200", "1,234.50", "1,481,400.00",
         "50"),
        ("铜接线端子", "DT-95", "个", "300", "2.5", "750", "20")])
    checks.equal(import_sheet(s, formatted), IMPORT_DONE,
                 "message after importing two rows")
    rows = s.table()
    got = [(r["品名"], number(r["数量"]), number(r["单价"]), number(r["金额"]),
            number(r["报警数量"])) for r in rows[before:]]
    checks.equal(got, [("复合绝缘子", 1200.0, 1234.5, 1481400.0, 50.0),
                       ("铜接线端子", 300.0, 2.5, 750.0, 20.0)],
                 "materials imported from \"1,200\", \"1,234.50\", "
                 "\"1,481,400.00\"")

    before = len(rows)
    long_sheet = os.path.join(s.folder, "..", "thousand.csv")
    write_sheet(long_sheet, [("试验线材", "T-%04d" % i, "米", "10", "1.5", "15",
                              "0") for i in range(1, 1001)])
    text = import_sheet(s, long_sheet)
    added = len(s.table()) - before
    checks.expect(text != IMPORT_DONE and str(added) in text and
                  "503" in text,
                  "after a 1,000-row sheet of which %d rows were added the "
                  "message %r does not say how many were added nor that the "
                  "rows from 503 on were not read" % (added, text))


SCENARIOS = {f.__name__: f for f in (receipt, receipt_undo, undo_after_issue,
                                     slip_of_three, ten_row_pick, pick_again,
                                     slip_pdf, reports, export, print_table,
                                     backup_restore, spreadsheet_import)}
