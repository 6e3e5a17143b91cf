#include "company/company_texts.h"

#include "platform/cp874.h"

namespace company {

std::string Thai(std::string_view utf8) { return platform::Utf8ToCp874(utf8); }

}  // namespace company
