#include "sound/sound_file_cache.h"

std::shared_ptr<SoundSamples> SoundFileCache::Load(const std::string& fileName, const SoundBackEnd& backEnd)
{
    // Stamped before it is read: a change made meanwhile shows as another
    // stamp on the next request.
    const platform::FileStamp stamp = platform::StampOf(fileName);
    const auto known = files_.find(fileName);
    if (known != files_.end() && known->second.stamp == stamp) return known->second.samples;
    std::shared_ptr<SoundSamples> loaded = LoadSoundFile(fileName, backEnd);
    files_[fileName] = Entry{stamp, loaded};
    return loaded;
}
