"""Scenarios of the records: reports and the workbook, exports, print
tables, backups and imports. Each takes the storekeeper (the program on a
fresh demo folder) and the checks to report to."""
import os
import re

from desktop import Failed, wait_for
from files import (cut_last_record, pdf_pages, spreadsheet_rows, write_sheet,
                   write_two_sheet_xlsx)
from steps import (file_dialog, find, import_sheet, table_changed_or_message,
                   table_identity, tip)
from storekeeper import OK, STOCK_LIST, WORKBOOK, number

LEDGER_MENU = "进出库簿"
LEDGER_IN_HEADING = "以下是%s进库记录:"
STOCK_LIST_FIND = "项目查找"
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

GRID_SAVE_TITLE = "请输入欲另存到的表格文件名："
GRID_OPEN_TITLE = "请选择要打开的表格文件："


def import_done(count):
    """The import's message when every named row was read."""
    return "添加完毕，共添加材料%d项。" % count


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
    sum_shown = re.search(r"本列合计 = (-?[\d.]+)", shown)
    checks.expect(sum_shown and abs(float(sum_shown.group(1)) - total) < 0.005,
                  "光标所在列求和 shows %r for amounts totalling %.2f" %
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


def backup_restore(s, checks):
    """On a table cut short (which the program repairs at start): 备份数据库,
    清空数据库, then 导入 备份 of that backup puts the table back."""
    cut_last_record(os.path.join(s.folder, "data.mzk"))
    text = s.start_with_message()
    checks.expect(REPAIRED in text,
                  "no word of the repair at start: %r" % text)
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

    before = table_identity(s)
    s.menu("数据", RESTORE)
    file_dialog(s, None, os.path.join(backups, made[0]))
    text = table_changed_or_message(s, before)
    s.back_to_main()
    checks.expect(text is None, "导入 备份 of the program's own backup said "
                  "%r" % text)
    checks.equal(s.table(), repaired, "the table after the restore")


def spreadsheet_import(s, checks):
    """A spreadsheet with formatted numbers, then one of 1,000 rows."""
    s.start()
    before = len(s.table())
    formatted = os.path.join(s.folder, "..", "formatted.csv")
    write_sheet(formatted, [
        ("复合绝缘子", "FXBW-10/70", "支", "1,200", "1,234.50", "1,481,400.00",
         "50"),
        ("铜接线端子", "DT-95", "个", "300", "2.5", "750", "20")])
    checks.equal(import_sheet(s, formatted), import_done(2),
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
    # Rows 3 to 1002 hold the materials; a limit may stop the reading.
    first_unread = added + 3
    checks.expect(added == 1000 or (str(added) in text and
                                    str(first_unread) in text),
                  "after a 1,000-row sheet of which %d rows were added the "
                  "message %r does not say how many were added nor that the "
                  "rows from %d on were not read" %
                  (added, text, first_unread))

    # The worksheet a spreadsheet program shows on opening is the one read.
    workbook = os.path.join(s.folder, "..", "two-sheets.xlsx")
    write_two_sheet_xlsx(workbook, [
        ("旧表", [("作废材料", "OLD-1", "个", "1", "1", "1", "0")]),
        ("本月", [("新到材料", "NEW-1", "个", "7", "3", "21", "0")])], 1)
    before = len(s.table())
    checks.equal(import_sheet(s, workbook), import_done(1),
                 "message after importing the .xlsx")
    checks.equal([(r["品名"], number(r["数量"])) for r in s.table()[before:]],
                 [("新到材料", 7.0)],
                 "materials imported from an .xlsx whose second worksheet "
                 "is the active one")
