// The report description "CrashReport.ini" that the CAD application leaves.
#pragma once

#include <cstddef>
#include <string>

namespace norda {

// Its name in the report folder.
constexpr char16_t kDescriptionFileName[] = u"CrashReport.ini";

constexpr char16_t kReportInfoSection[] = u"CrashReport Infor";
constexpr char16_t kFilesToAddSection[] = u"FilesToAdd";

// Values are read into a buffer of 250 units: at most 249 characters arrive.
constexpr std::size_t kListedValueBufferUnits = 250;

// The value of key in section through the profile-string read, cut to the
// buffer (bufferUnits - 1 characters); empty when absent.
std::u16string ReadDescriptionValue(const std::u16string& descriptionPath,
                                    const std::u16string& section, const std::u16string& key,
                                    std::size_t bufferUnits);

}  // namespace norda
