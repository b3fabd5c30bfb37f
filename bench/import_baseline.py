#!/usr/bin/python3
# The baseline of the import benchmark: what a short script does with Debian's
# python3-xlrd or python3-openpyxl and sqlite3 - read sheet 1 below its header
# and insert every row in one transaction with one prepared statement.
# Prints the milliseconds from opening the workbook to the commit.
#   import_baseline.py WORKBOOK DATABASE
import sqlite3
import sys
import time

path, database = sys.argv[1], sys.argv[2]
columns = 19
db = sqlite3.connect(database)
db.execute("create table if not exists baseline(id integer primary key autoincrement, tab_type int, "
           + ", ".join("c%d varchar(50)" % i for i in range(columns)) + ", store_no varchar(50))")
db.commit()
start = time.perf_counter()
if path.endswith(".xls"):
    import xlrd
    sheet = xlrd.open_workbook(path).sheet_by_index(0)
    rows = (sheet.row_values(r) for r in range(1, sheet.nrows))
else:
    import openpyxl
    book = openpyxl.load_workbook(path, read_only=True)
    rows = book.worksheets[0].iter_rows(min_row=2, values_only=True)
sql = "insert into baseline(tab_type, %s, store_no) values(?%s, ?)" % (
    ", ".join("c%d" % i for i in range(columns)), ", ?" * columns)
with db:
    for row in rows:
        cells = ["" if v is None else str(v) for v in list(row)[:columns]]
        cells += [""] * (columns - len(cells))
        db.execute(sql, [0] + cells + ["S1"])
print("%.1f" % ((time.perf_counter() - start) * 1000))
