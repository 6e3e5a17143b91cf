#!/usr/bin/env python3
"""Writes the seed corpora of the fuzz targets into fuzz/corpus/<target>/.

The seeds are small: a few rows of the demo import file, a configuration with this program's
keys and a foreign line, company lists in both forms, side files of every length with and
without the older layouts. Parts of one seed are joined with the marker the targets split at.
Run it again after a change of the formats; it replaces the seeds it writes and keeps others.
"""
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))
MARK = b"\n--8<--\n"


def write(target, name, data):
    folder = os.path.join(HERE, "corpus", target)
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, name), "wb") as f:
        f.write(data)


def csv_seeds():
    demo = os.path.join(HERE, "..", "demo", "customers.csv")
    with open(demo, "rb") as f:
        lines = f.read().splitlines(keepends=True)
    write("csv_import_fuzz", "demo_head.csv", b"".join(lines[:6]))
    header = lines[0]
    write("csv_import_fuzz", "semicolon.csv", b"".join(l.replace(b",", b";") for l in lines[:3]))
    quoted = header + b'"Q1","a ""quoted"" name\r\nover two lines",x,\x0by,,,,1,,15,01/02/67,' \
        b'3,"1,234.50",N,A,25,0,0,01/01/67,01/01/67\r\n'
    write("csv_import_fuzz", "quoted.csv", quoted)
    write("csv_import_fuzz", "short_row.csv", header + b"C9\r\nC10,name only\n")


def cfg_seeds():
    cfg = (b"; shared settings\r\nLOOKANDFEEL=2\r\nLOOKANDFEEL_MENU=1\r\nCOMPANYBARWIDTH=8\r\n"
           b"OPENCOMPANY_DIR=C:\\ACC\\DATAFILE\r\nOPENCOMPANY_COMPANY=DEMO\r\n"
           b"OPENCOMPANY_SELECT=1\r\nOPENCOMPANY_COLPOSITION=120\r\nOTHER_MODULE_KEY=x\r\n"
           b"\r\nUSER_COLOR_TYPE=3\r\nBACKGROUND_TYPE_GL=1\r\n")
    ini = b"SAVEMODE = 1\r\nwsnumber=4\r\nDefault_Main_Color=2\r\nBRANCHFILLZERO=1\r\n"
    write("config_files_fuzz", "full", cfg + MARK + ini)
    write("config_files_fuzz", "cfg_only", cfg)
    write("config_files_fuzz", "ini_only", MARK + ini)


def company_seeds():
    ini = (b"DEMO;C:\\ACC\\DATADEMO\r\nShop;C:\\ACC\\SHOP|C:\\ACC\\TPL\r\n\r\n"
           b";C:\\ACC\\DATAFILE\r\nno separator here\r\n")
    cfg = b"OPENCOMPANY_DIR=C:\\ACC\\SHOP\r\nOPENCOMPANY_COMPANY=shop\r\nOPENCOMPANY_SELECT=1\r\n"
    write("company_list_fuzz", "ini_cfg", b"\x05" + ini + MARK + MARK + cfg)
    write("company_list_fuzz", "def_only", b"\x02" + MARK + b"C:\\ACC\\ONE\r\n\r\nD:\\TWO\r\n")
    write("company_list_fuzz", "edits", b"\x79" + ini)
    write("company_list_fuzz", "none", b"\x00")


def side_seeds():
    lengths = [1107, 301 * 3, 52 * 2, 2406, 230 * 30, 388, 141 * 2]
    def record(length, fill):
        b = bytearray(length)
        b[0] = 4
        b[1:5] = fill
        return bytes(b)
    files = [record(n, b"ABCD") for n in lengths]
    write("side_files_fuzz", "all", b"\x7f" + MARK.join(files))
    write("side_files_fuzz", "none", b"\x00")
    # The older ARINFO layout: whole value at 601 and byte at 616, newer fields empty.
    old = bytearray(1107)
    old[601:603] = struct.pack("<h", 9)
    old[616] = 1
    write("side_files_fuzz", "old_arinfo", b"\x01" + bytes(old))
    # Tables longer than their room, and partial records.
    write("side_files_fuzz", "long", b"\x06" + MARK + bytes(301 * 12 + 7) + MARK + bytes(52 * 61))


csv_seeds()
cfg_seeds()
company_seeds()
side_seeds()

# The engine's seeds come from sets the engine itself writes (fuzz/engine_seeds.cpp).
seeds = os.path.join(HERE, "..", os.environ.get("IMPCUST_FUZZ_BUILD", "build-fuzz"), "fuzz", "bin",
                     "engine_seeds")
if os.path.exists(seeds):
    for t in ("engine_set_fuzz", "journal_fuzz"):
        os.makedirs(os.path.join(HERE, "corpus", t), exist_ok=True)
    os.system('"%s" "%s"' % (seeds, os.path.join(HERE, "corpus")))
else:
    print("make_corpus: build engine_seeds first (fuzz/build.sh engine_seeds)")
