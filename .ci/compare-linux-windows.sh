#!/usr/bin/env bash
# Imports one generated customer file with the Linux impcust-cli and with the Windows
# impcust-cli.exe (under Wine) into two fresh copies of the demo company, then compares every
# data file set the imports wrote, file by file:
#  * the data (.DAT) and index (.IX) files byte for byte;
#  * the coordination files (.DIA) byte for byte except the mailbox of the user slot that the
#    last program to open the set took: the slot is picked at random at each open, and its
#    mailbox is left zero where every other mailbox is set, so two runs on the same system
#    differ there as well. Everything else, the mailboxes' contents included, must be equal.
# The company information file is left out: it records the date of the run.
#
#   compare-linux-windows.sh LINUX_BIN WINDOWS_BIN WORK_DIR
#
# LINUX_BIN and WINDOWS_BIN are the bin folders of the two builds. Wine is set up by the caller
# (WINEPREFIX, WINESERVER, a running server); WINE names the loader (default wine64).
# Exits non-zero when an import fails or a file differs.
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(dirname "$here")
linux_bin=$1
windows_bin=$2
work=$3
wine=${WINE:-/usr/lib/wine/wine64}
export WINEDEBUG=${WINEDEBUG:--all}

rm -rf "$work"
mkdir -p "$work"

# The customer file: Thai names and addresses in code page 874, amounts with decimals, every date given (an empty start date would take the day of the run),
# enough rows to split the indexes' pages several times, and rows the import skips or refuses.
python3 - "$work/customers.csv" <<'EOF'
import random
import sys

rng = random.Random(7)
titles = ["รหัสลูกค้า", "ชื่อลูกหนี้/ลูกค้า", "ที่อยู่ 1", "ที่อยู่ 2", "ที่อยู่ 3", "โทรศัพท์",
          "ผู้ติดต่อ", "ประเภทลูกหนี้", "เลขประจำตัวผู้เสียภาษี", "เครดิต (วัน)", "วันที่เริ่ม",
          "พนักงานขาย", "วงเงินเครดิต", "เขตการขาย", "ระดับ", "วางบิล 1", "วางบิล 2",
          "วันรับเช็ค", "วันที่ติดต่อล่าสุด", "วันที่ปรับวงเงิน"]
parts = ["สยาม", "ไทย", "เจริญ", "รุ่งเรือง", "พาณิชย์", "การค้า", "เกษตร", "ทองคำ", "โชคดี",
         "มั่นคง", "ศรีสุข", "วัฒนา", "เอเชีย", "อาหาร", "ยานยนต์", "ล้านนา"]
people = ["นายสมชาย ใจดี", "นางสมศรี แสงทอง", "นางสาวมาลี บุญมา", "คุณวิชัย ทองดี"]
zones = ["BKK", "NTH", "NE", "STH", "EST"]


def date(year):
    return "%02d/%02d/%02d" % (rng.randint(1, 28), rng.randint(1, 12), year % 100)


def amount():
    value = rng.choice([0, 0.1, 7.5, 1234.57, 99999.99, 250000, 1000000.01, 12345678.9])
    return ("%.2f" if rng.random() < 0.8 else "%g") % value


def customer(code, name=None):
    return [
        code,
        name or ("บริษัท " + "".join(rng.sample(parts, 2)) + " จำกัด" if rng.random() < 0.7
                 else rng.choice(people)),
        "%d/%d ถนนสุขุมวิท" % (rng.randint(1, 999), rng.randint(1, 99)),
        "แขวงคลองเตย เขตคลองเตย",
        "กรุงเทพมหานคร %d" % rng.randint(10100, 10900),
        "02-%03d-%04d" % (rng.randint(100, 999), rng.randint(0, 9999)),
        rng.choice(people),
        str(rng.choice([1, 1, 2, 3])),
        "%013d" % rng.randint(10**12, 10**13 - 1),
        str(rng.choice([0, 15, 30, 90])),
        date(2567),
        str(rng.randint(1, 20)),
        amount(),
        rng.choice(zones),
        rng.choice(["A", "B", "C", "a", "X", ""]),
        str(rng.choice([5, 10, 25])),
        str(rng.choice([0, 15])),
        str(rng.randint(0, 5)),
        date(2568) if rng.random() < 0.5 else "",
        date(2567) if rng.random() < 0.3 else "",
    ]


codes = ["C%05d" % i for i in range(1, 2501)]
rng.shuffle(codes)
rows = [customer(c) for c in codes]
rows.insert(700, customer("C00007"))      # the same code again
rows.insert(900, customer("c00008"))      # a lower-case twin of an existing code
rows.append(customer("C0000000301"))      # a code that is too long
rows.append(customer(""))                 # no code
rows.append(customer("C09999", "บริษัท ไทยรุ่งเรืองพาณิชย์อุตสาหกรรมและการค้าระหว่างประเทศ จำกัด"))
lines = [",".join(titles)] + [",".join(r) for r in rows]
with open(sys.argv[1], "wb") as f:
    f.write(("\r\n".join(lines) + "\r\n").encode("cp874"))
EOF
[ $? -eq 0 ] || { echo "!! could not write the customer file"; exit 1; }

# One run: a fresh copy of the demo company, its own start-up, settings and work folders.
prepare() {
  mkdir -p "$work/$1/company" "$work/$1/startup" "$work/$1/appdata" "$work/$1/temp"
  cp "$root/demo/company/"* "$work/$1/company/"
}
# A Linux path as Wine's drive Z: shows it.
winpath() { printf 'Z:%s' "${1//\//\\}"; }

prepare linux
APPDATA="$work/linux/appdata" TEMP="$work/linux/temp" "$linux_bin/impcust-cli" import \
  --company "$work/linux/company" --startup-dir "$work/linux/startup" --no-progress \
  --rejects "$work/linux/rejects.csv" "$work/customers.csv" </dev/null >"$work/linux/out.txt" 2>&1
linux_rc=$?

prepare windows
APPDATA=$(winpath "$work/windows/appdata") TEMP=$(winpath "$work/windows/temp") \
  TMP=$(winpath "$work/windows/temp") "$wine" "$windows_bin/impcust-cli.exe" import \
  --company "$(winpath "$work/windows/company")" \
  --startup-dir "$(winpath "$work/windows/startup")" --no-progress \
  --rejects "$(winpath "$work/windows/rejects.csv")" "$(winpath "$work/customers.csv")" \
  </dev/null >"$work/windows/out.txt" 2>&1
windows_rc=$?

echo "   linux:   exit $linux_rc: $(tail -1 "$work/linux/out.txt")"
echo "   windows: exit $windows_rc: $(tail -1 "$work/windows/out.txt" | tr -d '\r')"
status=0
if [ "$linux_rc" -ne 0 ] || [ "$windows_rc" -ne 0 ]; then
  echo "!! an import failed"
  cat "$work/linux/out.txt" "$work/windows/out.txt"
  status=1
fi

python3 - "$work/linux/company" "$work/windows/company" <<'EOF' || status=1
import os
import sys

linux, windows = sys.argv[1], sys.argv[2]


def read(folder, name):
    with open(os.path.join(folder, name), "rb") as f:
        return f.read()


def zero_mailboxes(dia, slot):
    """Positions 1.. of the user area whose mailbox is all zero."""
    return {p for p in range(1, (len(dia) - 3) // slot)
            if dia[3 + p * slot:3 + (p + 1) * slot] == bytes(slot)}


sets = sorted(n[:-3] for n in os.listdir(linux) if n.upper().endswith(".IX"))
failures = []
if sorted(n[:-3] for n in os.listdir(windows) if n.upper().endswith(".IX")) != sets:
    failures.append("the two imports wrote different sets")
for s in sets:
    for ext in (".DAT", ".IX"):
        a, b = read(linux, s + ext), read(windows, s + ext)
        if a != b:
            first = next((i for i in range(min(len(a), len(b))) if a[i] != b[i]), min(len(a), len(b)))
            failures.append("%s%s: %d and %d bytes, first difference at offset %d"
                            % (s, ext, len(a), len(b), first))
    a, b = read(linux, s + ".DIA"), read(windows, s + ".DIA")
    # 1001 slot positions after the 3 leading bytes.
    slot = (len(a) - 3) // 1001
    if len(a) != len(b) or slot < 1 or (len(a) - 3) % 1001 != 0:
        failures.append("%s.DIA: %d and %d bytes" % (s, len(a), len(b)))
        continue
    za, zb = zero_mailboxes(a, slot), zero_mailboxes(b, slot)
    if len(za) != 1 or len(zb) != 1:
        failures.append("%s.DIA: %d and %d zero mailboxes, 1 expected in each"
                        % (s, len(za), len(zb)))
        continue
    skip = set()
    for p in za | zb:
        skip.update(range(3 + p * slot, 3 + (p + 1) * slot))
    diff = [i for i in range(len(a)) if a[i] != b[i] and i not in skip]
    if diff:
        failures.append("%s.DIA: differs at offset %d" % (s, diff[0]))
for f in failures:
    print("!! " + f)
if not failures:
    print("   %d sets, their data, index and coordination files equal" % len(sets))
    if len(sets) < 7:
        print("!! only %d sets written" % len(sets))
        sys.exit(1)
sys.exit(1 if failures else 0)
EOF
if ! cmp -s "$work/linux/rejects.csv" "$work/windows/rejects.csv"; then
  echo "!! the rejected rows differ"
  status=1
fi
exit "$status"
