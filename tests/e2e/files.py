"""The files the scenarios write for the program and read back from it."""
import csv
import html
import os
import re
import shutil
import subprocess
import tempfile
import zipfile

from desktop import Failed


def pdf_pages(path):
    """The text of each page of a PDF file."""
    r = subprocess.run(["pdftotext", "-layout", path, "-"],
                       capture_output=True)
    if r.returncode != 0:
        raise Failed("pdftotext %s: %s" % (path, r.stderr.decode()))
    return r.stdout.decode().split("\f")[:-1]


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
        # Its own profile: a desktop user's running office is not disturbed.
        r = subprocess.run([office, "-env:UserInstallation=file://" + out,
                            "--headless", "--convert-to",
                            "csv:Text - txt - csv (StarCalc):44,34,76",
                            "--outdir", out, path],
                           capture_output=True, timeout=120)
        name = os.path.splitext(os.path.basename(path))[0] + ".csv"
        try:
            with open(os.path.join(out, name), encoding="utf-8") as f:
                return [row for row in csv.reader(f)]
        except OSError:
            raise Failed("LibreOffice did not read %s as a spreadsheet: %s" %
                         (path, (r.stdout + r.stderr).decode(errors="replace")))


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


def write_two_sheet_xlsx(path, sheets, active):
    """An .xlsx workbook of several worksheets (name, materials), saved with
    worksheet `active` (0-based) as the one shown on opening."""
    def cell(ref, value):
        if re.fullmatch(r"-?[\d.]+", value):
            return '<c r="%s"><v>%s</v></c>' % (ref, value)
        return '<c r="%s" t="inlineStr"><is><t>%s</t></is></c>' % (
            ref, html.escape(value))
    ns = 'xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main"'
    rel_ns = ('xmlns:r="http://schemas.openxmlformats.org/officeDocument/'
              '2006/relationships"')
    rel = "http://schemas.openxmlformats.org/officeDocument/2006/relationships"
    with zipfile.ZipFile(path, "w") as z:
        z.writestr("[Content_Types].xml", (
            '<?xml version="1.0" encoding="UTF-8"?><Types xmlns="http://'
            'schemas.openxmlformats.org/package/2006/content-types">'
            '<Default Extension="rels" ContentType="application/vnd.openxml'
            'formats-package.relationships+xml"/><Default Extension="xml" '
            'ContentType="application/xml"/><Override PartName="/xl/'
            'workbook.xml" ContentType="application/vnd.openxmlformats-'
            'officedocument.spreadsheetml.sheet.main+xml"/>' + "".join(
                '<Override PartName="/xl/worksheets/sheet%d.xml" ContentType='
                '"application/vnd.openxmlformats-officedocument.spreadsheetml.'
                'worksheet+xml"/>' % (i + 1) for i in range(len(sheets))) +
            '</Types>'))
        z.writestr("_rels/.rels", (
            '<?xml version="1.0" encoding="UTF-8"?><Relationships xmlns="http'
            '://schemas.openxmlformats.org/package/2006/relationships">'
            '<Relationship Id="rId1" Type="%s/officeDocument" Target="xl/'
            'workbook.xml"/></Relationships>' % rel))
        z.writestr("xl/workbook.xml", (
            '<?xml version="1.0" encoding="UTF-8"?><workbook %s %s><bookViews>'
            '<workbookView activeTab="%d"/></bookViews><sheets>%s</sheets>'
            '</workbook>' % (ns, rel_ns, active, "".join(
                '<sheet name="%s" sheetId="%d" r:id="rId%d"/>' %
                (name, i + 1, i + 1) for i, (name, _) in enumerate(sheets)))))
        z.writestr("xl/_rels/workbook.xml.rels", (
            '<?xml version="1.0" encoding="UTF-8"?><Relationships xmlns="http'
            '://schemas.openxmlformats.org/package/2006/relationships">%s'
            '</Relationships>' % "".join(
                '<Relationship Id="rId%d" Type="%s/worksheet" Target='
                '"worksheets/sheet%d.xml"/>' % (i + 1, rel, i + 1)
                for i in range(len(sheets)))))
        for i, (_, materials) in enumerate(sheets):
            rows = [["材料清单"], ["序号", "品名", "规格型号", "单位", "数量",
                                  "单价", "金额", "报警数量"]]
            rows += [[str(n)] + list(m) for n, m in enumerate(materials, 1)]
            xml = "".join(
                '<row r="%d">%s</row>' % (r + 1, "".join(
                    cell("%s%d" % ("ABCDEFGH"[c], r + 1), v)
                    for c, v in enumerate(row)))
                for r, row in enumerate(rows))
            z.writestr("xl/worksheets/sheet%d.xml" % (i + 1), (
                '<?xml version="1.0" encoding="UTF-8"?><worksheet %s>'
                '<sheetData>%s</sheetData></worksheet>' % (ns, xml)))


def cut_last_record(path):
    """Cuts the table file short by its last record, as a copy broken off
    does; the header still counts it."""
    with open(path, "rb") as f:
        header = f.read(28)
    record_length = int.from_bytes(header[24:28], "little")
    os.truncate(path, os.path.getsize(path) - record_length)
