"""Prints what a workbook of vorn-search-cli holds, a fact a line, for the run test to check:
the sheet, its frozen pane, filter and header, every cell as type:format:value[:link target],
each picture's anchor cell with its link target (given a folder, each picture's bytes go there as
<cell>.jpg), the cells of the other sheets after a line "sheet=NAME", and each chart as
chart=type:title:categories:values."""
import re
import sys
import zipfile

import openpyxl
from openpyxl.utils.escape import unescape

path = sys.argv[1]
book = openpyxl.load_workbook(path)
sheet = book.worksheets[0]
print(f"sheets={'|'.join(book.sheetnames)}")
print(f"frozen={sheet.freeze_panes} filter={sheet.auto_filter.ref} bold={sheet['A1'].font.b}")
print("header=" + "|".join(str(c.value) for c in sheet[1]))


def print_cells(rows):
    for row in rows:
        for c in row:
            if c.value is None:
                continue
            kind = "d" if c.is_date else c.data_type
            # Text as Excel shows it: openpyxl leaves the _xHHHH_ escapes of inline strings in place.
            value = c.value.isoformat() if c.is_date else unescape(c.value) if c.data_type == "s" else c.value
            link = f":{c.hyperlink.target}" if c.hyperlink else ""
            print(f"{c.coordinate}={kind}:{c.number_format}:{value}{link}")


print_cells(sheet.iter_rows(min_row=2))
for other in book.worksheets[1:]:
    print(f"sheet={other.title}")
    print_cells(other.iter_rows())

# Pictures are read from the drawing itself: openpyxl keeps them only with PIL installed.
with zipfile.ZipFile(path) as z:
    for name in z.namelist():
        if re.fullmatch(r"xl/drawings/drawing\d+\.xml", name):
            drawing = z.read(name).decode()
            rels = z.read(name.replace("drawings/", "drawings/_rels/") + ".rels").decode()
            targets = dict(re.findall(r'Id="(rId\d+)"[^>]*Target="([^"]+)"', rels))
            targets.update({i: t for t, i in re.findall(r'Target="([^"]+)"[^>]*Id="(rId\d+)"', rels)})
            for anchor in re.findall(r"<xdr:twoCellAnchor.*?</xdr:twoCellAnchor>", drawing, re.S):
                if "<xdr:pic>" not in anchor:
                    continue
                col, row = re.search(r"<xdr:from><xdr:col>(\d+)</xdr:col>.*?<xdr:row>(\d+)</xdr:row>", anchor, re.S).groups()
                link = re.search(r'hlinkClick[^>]*r:id="(rId\d+)"', anchor)
                cell = openpyxl.utils.get_column_letter(int(col) + 1) + str(int(row) + 1)
                print(f"picture={cell}:{targets.get(link.group(1)) if link else ''}")
                embed = re.search(r'r:embed="(rId\d+)"', anchor)
                if embed and len(sys.argv) > 2:
                    with open(f"{sys.argv[2]}/{cell}.jpg", "wb") as out:
                        out.write(z.read("xl/" + targets[embed.group(1)].replace("../", "")))
    for name in sorted(z.namelist()):
        if re.fullmatch(r"xl/charts/chart\d+\.xml", name):
            chart = z.read(name).decode()
            kind = re.search(r"<c:(\w+Chart)>", chart).group(1)
            title = "".join(re.findall(r"<c:title>.*?<a:t>(.*?)</a:t>", chart, re.S)[:1])
            refs = re.findall(r"<c:f>(.*?)</c:f>", chart)
            print(f"chart={kind}:{title}:{':'.join(refs)}")
