"""The storekeeper's steps that span a window and its boxes."""
import os

from desktop import Failed, wait_for
from storekeeper import STOCK_IN_BUTTON, STOCK_OUT_BUTTON

FIND_CAPTION = "请输入您想要查找的内容"
IMPORT = "从电子表读"


def material(rows, name, model):
    """The record of the material with this 品名 and 规格型号, or None."""
    for r in rows:
        if r["品名"] == name and r["规格型号"] == model:
            return r
    return None


def open_editor_on(s, row):
    """The item editor on the material of stock-list row `row`, after
    checking that the click found that material."""
    expected = s.table()[row - 2]
    s.click_row(row)
    editor = s.item_editor()
    name = s.p.control(editor, "text", "品名")
    wait_for("the editor to show %s" % expected["品名"],
             lambda: s.p.text_of(name) == expected["品名"], 10)
    model = s.p.text_of(s.p.control(editor, "text", "规格型号"))
    if model != expected["规格型号"]:
        raise Failed("a click on list row %d opened the editor on %s %s, not "
                     "%s %s" % (row, s.p.text_of(name), model,
                                expected["品名"], expected["规格型号"]))
    return editor


def receive(s, editor, **fields):
    """Books a receipt in the open editor; the message shown after it."""
    s.fill(editor, **fields)
    s.p.click(s.p.control(editor, "push button", STOCK_IN_BUTTON))
    return s.message()


def book_slip(s, slip):
    s.p.click(s.p.control(slip, "push button", STOCK_OUT_BUTTON))
    s.p.gone(slip)
    s.back_to_main()


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


def find(s, text):
    """One use of the find item just chosen: the text asked for, typed,
    Enter; the 编辑 menu it pops up on a find is closed again. The message
    shown instead, if any."""
    box = s.dialog(FIND_CAPTION)
    s.p.set_text(s.p.control(box, "text", None), text)
    s.p.key("Return")
    s.p.gone(box)
    if wait_for("the 编辑 menu or a message after the find",
                lambda: s.p.shown_menu() or s.p.message_box()) \
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


def import_sheet(s, path):
    """数据 → 从电子表读 on `path`; the texts of the messages it shows until
    the main window is active again, one a line."""
    s.menu("数据", IMPORT)
    file_dialog(s, None, path)
    texts = [s.message()]
    active = lambda: s.main.getState().contains(s.p.atspi.STATE_ACTIVE)
    while wait_for("the main window or another message",
                   lambda: s.p.message_box() or active()) is not True:
        texts.append(s.message())
    s.back_to_main()
    return "\n".join(texts)


def table_identity(s):
    """What tells the table file apart from its next state: the file, its
    time and size."""
    st = os.stat(os.path.join(s.folder, "data.mzk"))
    return st.st_ino, st.st_mtime_ns, st.st_size


def table_changed_or_message(s, before):
    """Waits for the table file to change from `before` (a table_identity)
    or a message to show; returns the message's text, or None."""
    def settled():
        if s.p.message_box():
            return "message"
        return "changed" if table_identity(s) != before else None
    if wait_for("the table changed or a message", settled) == "message":
        return s.message()
    return None
