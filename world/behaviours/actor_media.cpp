#include "world/behaviours/actor_media.h"

#include "engine/catalogue.h"
#include "media/volume.h"
#include "world/media_set.h"
#include "world/sound_channels.h"

const SpriteKeyRecord* ActorSpriteKey(GameWorld* world, ScriptActor* actor, uint16_t key) {
    if (actor->spriteHead >= kScriptPipeCount)
        return nullptr;
    const ScriptPipe& pipe = actor->pipes[actor->spriteHead];
    const int32_t sprite = static_cast<int16_t>(pipe.media);
    if (pipe.type != PIPE_SPRITE || sprite < 0)
        return nullptr;
    const SpriteKeyRecord* record = nullptr;
    if (FindRecordByKey(GetActorSprite(world, actor, sprite), key, &record) < 0)
        return nullptr;
    return record;
}

int32_t PlayGroupItem(GameWorld* world, uint32_t group) {
    const uint32_t items = GetGroupSize(&gResourceCatalogue, group);
    if (items == 0)
        return -1;
    const int32_t item = WorldRandomInt(0, static_cast<int32_t>(items) - 1);
    return PlaySound(world, 0, 0, GetResource(&gResourceCatalogue, group, item), nullptr);
}

void PlayGroupSound(GameWorld* world, uint32_t group, int32_t panX, int32_t panY) {
    const int32_t channel = PlayGroupItem(world, group);
    // Channel 0 carries the music, whose placement is not the world's.
    if (channel > MUSIC_CHANNEL)
        SetChannelPosition(channel, panX, panY);
}
