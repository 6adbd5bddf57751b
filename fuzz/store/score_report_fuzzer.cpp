// Decodes arbitrary input as a score report code: any code that decodes must be exactly the
// code of its report, and the fields must rebuild that report. Since random digits rarely pass
// both sums, the same bytes are also encoded as a report and decoded back.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "store/ScoreReport.hpp"

namespace {

std::string rebuild(const store::ScoreReportDecode& r) {
    return std::to_string(r.score) + '\t' + r.level + '\t' + r.name + '\t' + r.executable + "\texe";
}

bool shapeStatus(store::ScoreReportStatus status) {
    using S = store::ScoreReportStatus;
    return status == S::Ok || status == S::TooFewFields || status == S::BadScore || status == S::NotExe;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);

    const store::ScoreReportDecode decoded = store::DecodeScoreReport(input);
    const bool ok = decoded.status == store::ScoreReportStatus::Ok;
    if (ok != decoded.error.empty() || decoded.error.find('\n') != std::string::npos) __builtin_trap();
    // Once both sums hold, the report is kept, and its code must be the input again.
    if (shapeStatus(decoded.status) && store::EncodeScoreReport(decoded.report) != input)
        __builtin_trap();
    if (ok && rebuild(decoded) != decoded.report) __builtin_trap();

    const store::ScoreReportDecode trip = store::DecodeScoreReport(store::EncodeScoreReport(input));
    if (!shapeStatus(trip.status) || trip.report != input) __builtin_trap();
    if (trip.status == store::ScoreReportStatus::Ok && rebuild(trip) != input) __builtin_trap();
    return 0;
}
