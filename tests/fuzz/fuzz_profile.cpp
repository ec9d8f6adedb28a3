// Any profile zr415ctl may be given, as a file and as NAME=VALUE lines: it is refused with a
// reason, or it becomes sentences the page could send, each a whole line.
#include "Profile.h"
#include "SettingsKeys.h"

#include <QStringList>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {
void requireSendable(const std::optional<Profile>& profile, const QString& error)
{
    if (!profile) {
        if (error.isEmpty())
            std::abort();
        return;
    }
    for (const std::string& sentence : profile->sentences())
        if (sentence.size() < 3 || sentence.compare(sentence.size() - 2, 2, "\r\n") != 0 ||
            sentence.find_first_of("\r\n") != sentence.size() - 2)
            std::abort();
    for (const auto& [name, rate] : profile->wantedRates())
        if (!SettingsKeys::isRate(rate))
            std::abort();
}

// In the fuzzer's own temporary folder (ctest gives each its own): libFuzzer ends with _Exit when
// its time is up, so nothing run at exit can remove the file.
const std::string& scratchPath()
{
    static const std::string path = [] {
        const char* folder = std::getenv("TMPDIR");
        return std::string(folder && *folder ? folder : "/tmp") + "/fuzz_profile.ini";
    }();
    return path;
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    std::FILE* file = std::fopen(scratchPath().c_str(), "wb");
    if (!file)
        std::abort();
    std::fwrite(data, 1, size, file);
    std::fclose(file);
    QString error;
    requireSendable(Profile::load(QString::fromStdString(scratchPath()), error), error);

    error.clear();
    const QStringList assignments = QString::fromUtf8(bytes).split(QLatin1Char('\n'));
    requireSendable(Profile::fromAssignments(assignments, error), error);
    return 0;
}
