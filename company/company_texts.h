// The texts the company dialogs show: messages, questions, captions and headings, written
// once here in UTF-8 source form and handed out as code page 874 (the form every stored and
// shown text has inside the program; the view converts back at the display boundary).
#pragma once

#include <string>
#include <string_view>

namespace company {

// Code page 874 bytes of a UTF-8 literal.
std::string Thai(std::string_view utf8);

namespace text {
// Open Company dialog.
inline constexpr char kListMissing[] = "ไม่พบแฟ้ม USERDRV.INI";
inline constexpr char kDirectoryMissing[] = "ไม่พบไดเร็คทอรี่ หรือกำหนดไม่ถูกต้อง";
inline constexpr char kNotSetUpCreate[] = "ยังไม่ได้กำหนด. ต้องการสร้างใหม่?";
inline constexpr char kAskDelete[] = "คุณต้องการลบ?";
inline constexpr char kDialogCaption[] = "Select Directory";
inline constexpr char kGroupCaption[] = "เลือกแฟ้มข้อมูลกิจการ";
inline constexpr char kHeadingName[] = "ชื่อกิจการ";
inline constexpr char kHeadingDirectory[] = "แฟ้มข้อมูล";
inline constexpr char kAutoSelectCaption[] = "เลือกกิจการนี้โดยอัตโนมัติทุกครั้ง";
inline constexpr char kButtonSelect[] = "เลือก";
inline constexpr char kButtonEdit[] = "แก้ไข";
inline constexpr char kButtonExit[] = "ออก";
inline constexpr char kMenuSelect[] = "เลือก";
inline constexpr char kMenuEdit[] = "แก้ไข...";
inline constexpr char kMenuInsert[] = "แทรก";
inline constexpr char kMenuDeleteAsk[] = "ลบ...";
inline constexpr char kMenuDeleteNow[] = "ลบ";
inline constexpr char kMenuMoveUp[] = "เลื่อนขึ้น";
inline constexpr char kMenuMoveDown[] = "เลื่อนลง";
inline constexpr char kMenuReportTemplate[] = "Custom Report Template...";

// Company editor and report-template dialog.
inline constexpr char kEditorCaption[] = "Edit Company";
inline constexpr char kEditorNameLabel[] = "ชื่อกิจการ:";
inline constexpr char kEditorDirectoryLabel[] = "ไดเร็คทอรี่ของแฟ้มข้อมูล:";
inline constexpr char kButtonOk[] = "ตกลง";
inline constexpr char kButtonCancel[] = "ยกเลิก";
inline constexpr char kNameHasSemicolon[] = "ชื่อกิจการต้องไม่มีเครื่องหมาย \";\"";
inline constexpr char kDirectoryRefused[] = "กำหนดไดเร็คทอรี่ไม่ถูกต้อง";
inline constexpr char kAskCreateDirectory[] = "ไม่พบไดเร็คทอรี่ที่กำหนด. ต้องการสร้างใหม่?";
inline constexpr char kCannotCreateDirectory[] = "ไม่สามารถสร้างไดเร็คทอรี่ที่กำหนดได้";
inline constexpr char kTemplateNameRefused[] = "ไม่อนุญาตให้กำหนดชื่อ _Default";
inline constexpr char kTemplateCaption[] = "Report Template";
inline constexpr char kTemplateGroupCaption[] = "กำหนดเท็มเพลตรายงาน";
inline constexpr char kTemplateDefaultOption[] = "ค่าปกติที่โปรแกรมกำหนดไว้";
inline constexpr char kTemplateCustomOption[] = "กำหนดเอง:";
}  // namespace text

}  // namespace company
