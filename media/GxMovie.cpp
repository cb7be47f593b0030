#include "media/GxMovie.h"

bool GxMovie::Create() { return true; }

void GxMovie::Update() {}

void GxMovie::Release() {}
