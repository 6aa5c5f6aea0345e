// Every event the tool writes. Callers name events only through these constants.
#pragma once

namespace procsweep::events {

inline constexpr wchar_t kInstallationPathFailed[] = L"installation-path-failed";
inline constexpr wchar_t kExecutableAttributesFailed[] = L"executable-attributes-failed";
inline constexpr wchar_t kExecutablePathFailed[] = L"executable-path-failed";
inline constexpr wchar_t kRedirectedExecutableSkipped[] = L"redirected-executable-skipped";
inline constexpr wchar_t kSnapshotFailed[] = L"snapshot-failed";
inline constexpr wchar_t kEnumerateFailed[] = L"enumerate-failed";
inline constexpr wchar_t kQueryOpenFailed[] = L"query-open-failed";
inline constexpr wchar_t kQueryImageFailed[] = L"query-image-failed";
inline constexpr wchar_t kQueryImagePathFailed[] = L"query-image-path-failed";
inline constexpr wchar_t kMatched[] = L"matched";
inline constexpr wchar_t kCleanupDeadline[] = L"cleanup-deadline";
inline constexpr wchar_t kTerminateOpenFailed[] = L"terminate-open-failed";
inline constexpr wchar_t kIdentityChanged[] = L"identity-changed";
inline constexpr wchar_t kTerminateFailed[] = L"terminate-failed";
inline constexpr wchar_t kExited[] = L"exited";
inline constexpr wchar_t kWaitFailed[] = L"wait-failed";
inline constexpr wchar_t kCloseRequestFailed[] = L"close-request-failed";
inline constexpr wchar_t kRestartManagerProcessCheckFailed[] = L"restart-manager-process-check-failed";
inline constexpr wchar_t kInaccessibleProcessNotReported[] =
    L"inaccessible-process-not-reported-for-target";
inline constexpr wchar_t kRestartManagerFile[] = L"restart-manager-file";
inline constexpr wchar_t kRestartManagerLegacySample[] = L"restart-manager-legacy-sample";
inline constexpr wchar_t kRestartManagerSampledFile[] = L"restart-manager-sampled-file";
inline constexpr wchar_t kRestartManagerQueryFailed[] = L"restart-manager-query-failed";
inline constexpr wchar_t kRestartManagerNoOwnerReported[] = L"restart-manager-no-owner-reported";
inline constexpr wchar_t kRestartManagerOwner[] = L"restart-manager-owner";

inline constexpr const wchar_t* kAll[] = {
    kInstallationPathFailed,       kExecutableAttributesFailed,
    kExecutablePathFailed,         kRedirectedExecutableSkipped,
    kSnapshotFailed,               kEnumerateFailed,
    kQueryOpenFailed,              kQueryImageFailed,
    kQueryImagePathFailed,         kMatched,
    kCleanupDeadline,              kTerminateOpenFailed,
    kIdentityChanged,              kTerminateFailed,
    kExited,                       kWaitFailed,
    kCloseRequestFailed,
    kRestartManagerProcessCheckFailed, kInaccessibleProcessNotReported,
    kRestartManagerFile,           kRestartManagerLegacySample,
    kRestartManagerSampledFile,    kRestartManagerQueryFailed,
    kRestartManagerNoOwnerReported, kRestartManagerOwner,
};

}  // namespace procsweep::events
