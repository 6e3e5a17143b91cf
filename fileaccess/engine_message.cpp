#include <string>

#include "fileaccess/access.h"

namespace fileaccess {

namespace {

struct MessageRange {
  int32_t first;
  int32_t last;
  const char* text;
};

// The engine's English status texts, spelled exactly as the suite shows them.
constexpr MessageRange kMessages[] = {
    {9900, 9900, "Invalid path name"},
    {9901, 9901, "Too many open files"},
    {9903, 9903, "File not found"},
    {9904, 9904, "Invalid handle"},
    {9908, 9908, "Invalid access code"},
    {10000, 10000, "Page buffer is smaller than MaxHeight"},
    {10001, 10009, "Serious I/O error occurred while in save mode"},
    {10010, 10010, "File defect, that can be corrected by reindexing"},
    {10020, 10020, "Record length less than 22 or more than 2147483647 bytes"},
    {10030, 10030, "Insufficient memory"},
    {10040, 10040, "Insufficient memory"},
    {10050, 10050, "Invalid number of keys specified"},
    {10055, 10055, "Key too long"},
    {10060, 10060, "Too many keys, or file read error"},
    {10065, 10065, "Attempt to write to read only Fileblock"},
    {10070, 10070, "File read error"},
    {10075, 10075, "File write error"},
    {10080, 10080, "Fileblock not open"},
    {10090, 10090, "Insufficient memory to allocate Fileblock"},
    {10100, 10100, "Insufficient memory to allocate Fileblock"},
    {10110, 10110, "Drive not ready"},
    {10120, 10120, "PageSize incompatible with Fileblock"},
    {10121, 10121, "MaxKeyLen too small"},
    {10122, 10122, "MaxPageSize too small"},
    {10125, 10125, "Key too long"},
    {10130, 10130, "Record 0 must not be accessed"},
    {10135, 10135, "Record 0 must not be accessed"},
    {10140, 10140, "Access not possible, undefined error"},
    {10150, 10150, "Insufficient handles for flush of network Fileblock"},
    {10160, 10160, "Fileblock not correctly closed"},
    {10164, 10164, "Invalid key number"},
    {10170, 10170, "Consistency of Fileblock endangered"},
    {10180, 10180, "Attempt to repair Fileblock failed"},
    {10190, 10190, "Extend handle function requires DOS 3.3 or later"},
    {10191, 10191, "Insufficient memory for new file handle table"},
    {10192, 10192, "Unable to initialize new file handle table"},
    {10200, 10200, "No matching key found"},
    {10205, 10205, "Data record is currently locked"},
    {10210, 10210, "No key found and no larger keys available"},
    {10215, 10215, "Reindex failed, the data file is inconsistent"},
    {10220, 10220, "Key to delete was not found"},
    {10230, 10230, "Cannot add duplicate key"},
    {10240, 10240, "No larger key found"},
    {10245, 10245, "No smaller key found"},
    {10250, 10250, "No larger key found"},
    {10255, 10255, "Sequential access not allowed"},
    {10260, 10260, "No smaller key found"},
    {10265, 10265, "Sequential access not allowed"},
    {10270, 10270, "No matching key and record number found"},
    {10275, 10275, "No matching reference found"},
    {10280, 10280, "Index empty"},
    {10285, 10285, "Index empty"},
    {10306, 10306, "Too many Fileblock accesses"},
    {10310, 10310, "Network initialization error"},
    {10315, 10315, "Network exit error"},
    {10322, 10323, "Close of Fileblock not possible because of a non-removeable lock"},
    {10330, 10330, "Fileblock lock attempt failed"},
    {10332, 10332, "Fileblock readlock attempt failed"},
    {10335, 10335, "Record lock attempt failed"},
    {10337, 10337, "Record lock attempt failed because of insufficient memory"},
    {10340, 10342, "Fileblock unlock attempt failed"},
    {10345, 10345, "Record unlock attempt failed"},
    {10355, 10355, "A lock prevents the operation"},
    {10356, 10356, "Insufficient memory to allocate Fileblock"},
    {10360, 10360, "No repair during open, because theFileblock is not exclusively used"},
    {10390, 10390, "A lock prevents the operation"},
    {10397, 10397, "A lock prevents the operation"},
    {10398, 10398, "Fileblock must be locked"},
    {10399, 10399, "A lock prevents the operation"},
    {10410, 10410, "Data file not found"},
    {10411, 10411, "Insufficient heap space for work buffers"},
    {10412, 10412, "Record section length exceeds 64K"},
    {10415, 10415, "Too much records"},
    {10420, 10420, "Relative position or scale invalid"},
    {10425, 10425, "Relative position or scale invalid"},
    {10430, 10430, "No repair in read only mode"},
    {10435, 10435, "Tree page greater than 16k"},
    {10440, 10440, "No creating of dialog file in read only mode"},
    {10445, 10445, "Invalid Fileblock"},
    {10446, 10446, "Recursive call of B-Tree Isam"},
    {10450, 10450, "Initialization already done"},
    {10455, 10455, "Initialization not yet done"},
    {10460, 10460, "Reorganization aborted"},
    {10465, 10465, "Data and save file exist simultaneously"},
    {10470, 10470, "Error while building a key"},
    {10475, 10475, "Error while restructing the data record"},
    {10480, 10480, "Fileblock cannot be opened in net mode"},
};

constexpr int32_t kDosErrorFirst = 9500;
constexpr int32_t kDosErrorLast = 9899;

}  // namespace

std::string EngineMessage(int32_t code) {
  if (code >= kDosErrorFirst && code <= kDosErrorLast) {
    return "DOS error code <" + std::to_string(code - kDosErrorFirst) + ">";
  }
  for (const MessageRange& m : kMessages) {
    if (code >= m.first && code <= m.last) return m.text;
  }
  return std::string();
}

}  // namespace fileaccess
