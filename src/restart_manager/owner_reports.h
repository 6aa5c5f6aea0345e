// The "owners" and "legacy-owners" modes: who holds a file, or a sample of the installation's.
#pragma once

#include <string>
#include <vector>

namespace procsweep {

// One query over all `files`; writes the failure, "no owner", or one event per holder.
void ReportFileOwners(const std::vector<const wchar_t*>& files);

// The holders of one file, taken as given (neither tested nor resolved).
void RunOwnersMode(const std::wstring& file);

// The holders of those of the installation's sample files that exist. The directory argument is
// used as typed: the samples are plain concatenations of it.
void RunLegacyOwnersMode(const std::wstring& installationDirectory,
                         const std::wstring& mainExecutableName);

}  // namespace procsweep
