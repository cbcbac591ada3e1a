"""Scenarios of the stock: receipts, their undo, picks and slips. Each takes
the storekeeper (the program on a fresh demo folder) and the checks to
report to."""
import os
import re

from desktop import Failed, wait_for
from files import pdf_pages
from steps import (book_slip, file_dialog, material, open_editor_on, receive,
                   table_changed_or_message, table_identity)
from storekeeper import (NO, OK, SLIP_MENU, STOCK_IN_DONE, STOCK_OUT_BUTTON,
                         TOO_MANY_PICKED, YES, number)

CANCEL_STOCK_IN = "取消进库"
PRINT_BUTTON = "打印"
SLIP_PDF_TITLE = "保存出库单"
SLIP_PDF_NAME = "材料出库单.pdf"
SLIP_TITLE = "澜栖供电有限责任公司材料出库单"
DELETE_BUTTON = "删除"
# A material the demo data does not hold.
NEW = ("瓷横担绝缘子", "S-210")
# What Qt's file dialog shows in English where the Chinese locale is not
# in force: the type of a folder, an unknown size, a month's name.
ENGLISH_IN_FILE_DIALOG = re.compile(
    r"\b(Folder|unknown|Jan|Feb|Mar|Apr|May|Jun|Jul|Aug|Sep|Oct|Nov|Dec)\b")


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
    before = table_identity(s)
    s.menu("编辑", CANCEL_STOCK_IN)
    box, _ = s.p.message()
    if s.p.find_in(box, "push button", YES):
        # The usual question; then a message that says why not, or the
        # table changed.
        s.p.answer(box, YES)
        table_changed_or_message(s, before)
    else:
        s.p.answer(box, OK)
    s.back_to_main()
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
                       s.p.message_box, 10)
    except Failed:
        checks.expect(False, "a slip line of 999999 with a stock of %s was "
                      "booked without a question" % before[6]["数量"])
        return
    box_text = "\n".join(s.p.texts(box))
    checks.expect(before[6]["规格型号"] in box_text or
                  before[6]["品名"] in box_text,
                  "the question %r does not name the line" % box_text)
    s.p.key("Return")
    s.p.gone(box)
    checks.expect(s.p.showing(window), "Enter on the question (否 the "
                  "default) closed the slip")
    checks.equal(s.table(), before, "the table after 否")


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
    for piece in [SLIP_TITLE] + [r["规格型号"] for r in rows]:
        checks.expect(piece in text, "the printed slip lacks %r:\n%s" %
                      (piece, text))
    printed_total = re.search(r"合\s*计\s+(-?[\d.]+)", text)
    checks.expect(printed_total and
                  abs(float(printed_total.group(1)) - total) < 0.005,
                  "the printed slip's total is not %.2f:\n%s" % (total, text))
