// Any file the settings object may be given: load it, save it, load that again. Every value
// that was loaded comes back, and a second save writes the same bytes.
#include "IniParameter.h"

#include <cstdint>
#include <cstdlib>
#include <string>

namespace {
void requireSameValues(IniParameter& a, IniParameter& b)
{
    IDictionary* first = a.dictionary();
    IDictionary* second = b.dictionary();
    if (first->count() != second->count())
        std::abort();
    for (std::size_t i = 0; i < first->count(); ++i) {
        const char* value = second->get(first->keyAt(i));
        if (!value || std::string(value) != first->get(first->keyAt(i)))
            std::abort();
    }
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    IniParameter loaded;
    loaded.parse(bytes);
    // What the tool does between load and save: overwrite some keys, add others.
    loaded.dictionary()->set("portNum", "COM3");
    loaded.dictionary()->set("setCommandGGA", bytes.c_str());
    const std::string saved = loaded.render();

    IniParameter reloaded;
    reloaded.parse(saved);
    requireSameValues(loaded, reloaded);
    if (reloaded.render() != saved)
        std::abort();
    return 0;
}
