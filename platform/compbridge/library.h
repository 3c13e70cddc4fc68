#pragma once
// Our own bridge library: the ordinals of bridge/compbridge.h, served by
// built-in packages and the Qt Charts scope.
#include <vector>

#include "platform/compbridge/compbridge.h"

namespace compbridge::host {

class TZScope;
// Every scope created and not yet freed.
std::vector<TZScope*> liveScopes();

}  // namespace compbridge::host
