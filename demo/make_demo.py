#!/usr/bin/env python3
"""Writes the bundled demo company: company/ARINFO.DAT and customers.csv (code page 874).

The CSV holds a few hundred Thai customers in the import's 20-column layout, plus a handful of
rows that show the import's rules: a code given twice, a lower-case twin of an existing code,
a code that is too long, a row without a code and a name longer than 70 bytes.
Run it again after changing it; the output is the same on every run.
"""
import os
import random

HERE = os.path.dirname(os.path.abspath(__file__))
RNG = random.Random(5)

TITLES = [
    "รหัสลูกค้า", "ชื่อลูกหนี้/ลูกค้า", "ที่อยู่ 1", "ที่อยู่ 2", "ที่อยู่ 3", "โทรศัพท์",
    "ผู้ติดต่อ", "ประเภทลูกหนี้", "เลขประจำตัวผู้เสียภาษี", "เครดิต (วัน)", "วันที่เริ่ม",
    "พนักงานขาย", "วงเงินเครดิต", "เขตการขาย", "ระดับ", "วางบิล 1", "วางบิล 2", "วันรับเช็ค",
    "วันที่ติดต่อล่าสุด", "วันที่ปรับวงเงิน",
]

COMPANY_FORMS = [("บริษัท ", " จำกัด"), ("บริษัท ", " จำกัด (มหาชน)"),
                 ("ห้างหุ้นส่วนจำกัด ", ""), ("ร้าน", "")]
NAME_PARTS = ["สยาม", "ไทย", "เจริญ", "รุ่งเรือง", "พาณิชย์", "การค้า", "อุตสาหกรรม", "เกษตร",
              "ทองคำ", "แสงทอง", "โชคดี", "มั่นคง", "ศรีสุข", "วัฒนา", "ใจดี", "เอเชีย",
              "ก่อสร้าง", "อาหาร", "ยานยนต์", "เทรดดิ้ง", "ไฮเทค", "อินเตอร์", "บางกอก", "ล้านนา"]
FIRST = ["สมชาย", "สมศรี", "วิชัย", "มาลี", "ประเสริฐ", "สุดา", "อนันต์", "กาญจนา", "ธนพล",
         "ปราณี", "เอกชัย", "นภา", "ไพโรจน์", "อรุณี", "โชติ"]
LAST = ["ใจดี", "แสงทอง", "ศรีสวัสดิ์", "บุญมา", "เจริญสุข", "วงศ์ไทย", "ทองดี", "มีสุข",
        "รัตนพันธ์", "สุวรรณ"]
TITLES_PERSON = ["นาย", "นาง", "นางสาว", "คุณ"]
STREETS = ["ถนนสุขุมวิท", "ถนนพหลโยธิน", "ถนนรัชดาภิเษก", "ถนนเพชรบุรี", "ถนนสีลม",
           "ถนนนิมมานเหมินท์", "ถนนมิตรภาพ", "ถนนเพชรเกษม"]
AREAS = [("แขวงคลองเตย เขตคลองเตย", "กรุงเทพมหานคร 10110"),
         ("แขวงจตุจักร เขตจตุจักร", "กรุงเทพมหานคร 10900"),
         ("แขวงสีลม เขตบางรัก", "กรุงเทพมหานคร 10500"),
         ("ตำบลสุเทพ อำเภอเมืองเชียงใหม่", "เชียงใหม่ 50200"),
         ("ตำบลในเมือง อำเภอเมืองขอนแก่น", "ขอนแก่น 40000"),
         ("ตำบลหาดใหญ่ อำเภอหาดใหญ่", "สงขลา 90110"),
         ("ตำบลบางปลาสร้อย อำเภอเมืองชลบุรี", "ชลบุรี 20000")]
ZONES = ["BKK", "NTH", "NE", "STH", "EST"]


def company_name():
    prefix, suffix = RNG.choice(COMPANY_FORMS)
    return prefix + "".join(RNG.sample(NAME_PARTS, 2)) + suffix


def person():
    return RNG.choice(TITLES_PERSON) + RNG.choice(FIRST) + " " + RNG.choice(LAST)


def date(year_be):
    return "%02d/%02d/%02d" % (RNG.randint(1, 28), RNG.randint(1, 12), year_be % 100)


def customer(code, name=None):
    area = RNG.choice(AREAS)
    return [
        code,
        name or (company_name() if RNG.random() < 0.7 else person()),
        "%d/%d %s" % (RNG.randint(1, 999), RNG.randint(1, 99), RNG.choice(STREETS)),
        area[0],
        area[1],
        "0%d-%03d-%04d" % (RNG.choice([2, 38, 53, 43, 74]), RNG.randint(100, 999),
                           RNG.randint(0, 9999)),
        person(),
        str(RNG.choice([1, 1, 1, 2])),
        "%013d" % RNG.randint(10**12, 10**13 - 1),
        str(RNG.choice([0, 15, 30, 45, 60, 90])),
        date(2567) if RNG.random() < 0.8 else "",
        str(RNG.randint(1, 20)),
        "%d.%02d" % (RNG.choice([0, 10000, 50000, 100000, 250000, 1000000]), 0),
        RNG.choice(ZONES),
        RNG.choice("ABC") if RNG.random() < 0.9 else "",
        str(RNG.choice([5, 10, 15, 25, 30])),
        str(RNG.choice([0, 0, 15])),
        str(RNG.randint(0, 5)),
        date(2568) if RNG.random() < 0.5 else "",
        date(2567) if RNG.random() < 0.3 else "",
    ]


def csv_field(text):
    if any(c in text for c in ',"\r\n'):
        return '"' + text.replace('"', '""') + '"'
    return text


def main():
    rows = [customer("C%05d" % (i + 1)) for i in range(300)]
    rows.append(customer("C00007"))       # the same code again: skipped
    rows.append(customer("c00008"))       # lower-case twin of C00008: refused by the code index
    rows.append(customer("C0000000301"))  # 11 bytes: skipped
    rows.append(customer(""))             # no code: skipped
    rows.append(customer("C00301", "บริษัท ไทยรุ่งเรืองพาณิชย์อุตสาหกรรมและการค้าระหว่างประเทศ จำกัด"))
    lines = [",".join(csv_field(c) for c in TITLES)]
    lines += [",".join(csv_field(c) for c in row) for row in rows]
    with open(os.path.join(HERE, "customers.csv"), "wb") as f:
        f.write(("\r\n".join(lines) + "\r\n").encode("cp874"))

    # ARINFO.DAT: one 1107-byte record with the suite's defaults and two debtor type codes.
    info = bytearray(1107)
    info[282] = 1
    info[283] = 1
    info[603] = 1
    info[606:616] = bytes([0, 0, 0, 0, 0, 0, 0, 0xE0, 0x01, 0x40])  # 7.0 as an extended real
    for offset, code in ((307, b"TRADE"), (318, b"OTHER")):
        info[offset] = len(code)
        info[offset + 1:offset + 1 + len(code)] = code
    os.makedirs(os.path.join(HERE, "company"), exist_ok=True)
    with open(os.path.join(HERE, "company", "ARINFO.DAT"), "wb") as f:
        f.write(bytes(info))


if __name__ == "__main__":
    main()
