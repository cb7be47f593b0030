// What the picture and effect commands share: the main play screen's tasks by their names, the
// settings they read, colour arguments and the wait for the end of one layer's actions.
#pragma once

#include <cstdint>
#include <string>

#include "game/GxGameCommand.h"

class GxTaskBase;
class GxTaskFolder;
class GxTaskLayer;
class GxTaskManage;
class GxSystemConfig;
class GxUserData;
class GxUserDataPerman;

// The task manager, settings and game state of the call's application object; null (the
// settings: the defaults) without one.
GxTaskManage* GxCommandTaskManage(const GxGameCommandCall& call);
const GxSystemConfig& GxCommandSystemConfig(const GxGameCommandCall& call);
GxUserData* GxCommandUserData(const GxGameCommandCall& call);
GxUserDataPerman* GxCommandUserDataPerman(const GxGameCommandCall& call);

// The task of that name, null when there is none or it has another kind.
GxTaskBase* GxCommandFindTask(const GxGameCommandCall& call, const char16_t* taskName);
GxTaskLayer* GxCommandFindLayer(const GxGameCommandCall& call, const char16_t* taskName);
// The layer, or an error report naming the task and null.
GxTaskLayer* GxCommandRequireLayer(GxGameCommandCall& call, const char16_t* taskName);

// Argument i as a colour 0xFFRRGGBB: the packed RGB with its alpha forced opaque; white when
// the argument is absent.
uint32_t GxCommandColorArg(GxGameCommandCall& call, int32_t i);
// Argument i as an integer when present, else the default.
int32_t GxCommandIntArg(GxGameCommandCall& call, int32_t i, int32_t defaultValue);
// Given and not 0, read as a 64-bit integer.
bool GxCommandFlagArg(GxGameCommandCall& call, int32_t i);

// The input mask of a layer wait: argument i with bit 0 forced on (a given 0 then still waits,
// with no early end), 15 when absent.
int32_t GxCommandWaitMaskArg(GxGameCommandCall& call, int32_t i);
// Makes the script wait until the layer has no pending action and no running cross-fade.
// mask: the inputs that may end the wait early; hideWindow keeps the message window hidden
// meanwhile.
void GxCommandWaitForLayer(const GxGameCommandCall& call, const std::u16string& layerName, int32_t mask,
                           bool hideWindow);

// A shake without a time of its own lasts this long (ms).
inline constexpr int32_t kGxDefaultShakeTime = 800;

