// The company's set of data files and side files, opened once after the engine has started
// and closed once before it stops. OpenCompanyFiles reads the side files and opens (creating
// when missing) ARFILE01..ARFILE05, GLFILE01 and BIFILE01 in their fixed order;
// CloseCompanyFiles closes them and writes ARINFO.DAT (with today's LastCloseDate),
// ARTBUF.DAT and GLBOOK.DAT back. Callers: the start-up and close sequences of the import
// program.
//
// Layering: the record, keys, set definitions and side-file formats live in datafiles/, below
// this layer; opening and closing the whole company set needs OpenOrCreate, so it lives here,
// and the include order stays one-way (fileaccess -> datafiles).
//
// Contract that is easy to get wrong:
//  * OpenCompanyFiles returns true only when every set is open. On false the program has been
//    ended through the end-program handler (a set could not be opened, a recovery prompt was
//    declined, or a side file could not be read or created). CloseCompanyFiles after such a
//    failed open closes the sets that were opened and writes no side file back, since the
//    tables may hold defaults in place of what could not be read.
//  * CloseCompanyFiles ignores close failures; a side file that cannot be written back is
//    reported (ShowError) and the close goes on with the rest.
//  * The handles and tables are process-wide; CustomerFile() is ARFILE01's FileBlock.
#pragma once

#include "datafiles/side_files.h"

namespace isam {
struct FileBlock;
}

namespace fileaccess {

struct CompanyFileHandles {
  isam::FileBlock* ar_file01 = nullptr;
  isam::FileBlock* ar_file02 = nullptr;
  isam::FileBlock* ar_file03 = nullptr;
  isam::FileBlock* ar_file04 = nullptr;
  isam::FileBlock* ar_file05 = nullptr;
  isam::FileBlock* ic_file = nullptr;  // the inventory module's handle: never opened here
  isam::FileBlock* gl_file01 = nullptr;
  isam::FileBlock* bi_file01 = nullptr;
};

bool OpenCompanyFiles();
void CloseCompanyFiles();

CompanyFileHandles& CompanyFiles();
isam::FileBlock* CustomerFile();
datafiles::SideFiles& CompanySideFiles();

}  // namespace fileaccess
