// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quarnel developers

// Long path expansion over a file system that answers each lookup as the
// input says: a name, nothing, or a path that cannot be searched. When every
// lookup gives a component's own name, the path comes back as it was.
#include "FakePlatform.h"
#include "FuzzInput.h"
#include "modApi.h"

#include <cstdlib>

using namespace quarnel;

namespace {

class ScriptedLookups : public test::FakePlatform {
  public:
    explicit ScriptedLookups(fuzz::FuzzInput& input) : input_(input) {}
    bool ownNames = false;

    std::optional<std::u16string> FindEntryName(const std::u16string& path) override {
        if (ownNames)
            return path.substr(path.rfind(separator) + 1);
        switch (input_.Byte() % 3) {
        case 0:
            return std::nullopt;
        case 1:
            return u"";
        default:
            return input_.Text(8);
        }
    }

  private:
    fuzz::FuzzInput& input_;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::FuzzInput input(data, size);
    ScriptedLookups fs(input);
    const std::uint8_t mode = input.Byte();
    fs.separator = mode & 1 ? u'/' : u'\\';
    fs.ownNames = mode & 2;
    const std::u16string path = input.Text(64);

    const modApi api(fs);
    const std::u16string expanded = api.ExpandLongPath(path);
    if (fs.ownNames && expanded != path)
        std::abort();
    if (path.empty() && !expanded.empty())
        std::abort();
    return 0;
}
