// SoundFileCache: the copy of each sound file's samples that every instance
// of that file shares, read and uploaded once per sound manager.
//
// When it forgets: an entry lasts while its file keeps the stamp it had when
// it was read (size and change times, platform::StampOf). A file written
// again, replaced, put in place after it was missing or taken away is read
// again on the next request, so a sound mended or edited while the program
// runs is heard from the next instance on; instances made before keep the
// copy they have. A file that did not load stays refused, and is logged
// once, only while it is unchanged.
#pragma once

#include <memory>
#include <string>
#include <unordered_map>

#include "platform/files.h"
#include "sound/sound_samples.h"

class SoundFileCache {
public:
    // The samples of a WAVE file (a name relative to the current directory);
    // null when it did not load.
    std::shared_ptr<SoundSamples> Load(const std::string& fileName, const SoundBackEnd& backEnd);
    // Forgets every file; instances still playing keep their copy.
    void Clear() { files_.clear(); }

private:
    struct Entry {
        platform::FileStamp stamp;
        std::shared_ptr<SoundSamples> samples;
    };
    std::unordered_map<std::string, Entry> files_;
};
