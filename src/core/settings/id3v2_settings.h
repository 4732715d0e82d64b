#pragma once
// Whether tag writes keep the ID3v2 tag in step with the ID3v1 tag, as the
// settings file keeps it: [Optionen] ID3v2, on unless stored "0".
#include <system_error>

namespace sonavex {

class IniFile;

bool LoadId3v2FollowsTags(const IniFile& ini);
std::error_code StoreId3v2FollowsTags(const IniFile& ini, bool on);

}  // namespace sonavex
