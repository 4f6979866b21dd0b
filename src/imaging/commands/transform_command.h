#pragma once
// A picture transform run as a picture command: progress shown while it works, the canvas's pen
// and brush kept across it, nothing done on an empty picture.

#include "imaging/picture_command.h"

class TImageTransform;

void RunTransformCommand(PictureHost& host, TImageTransform& transform, const PictureCommandSteps& steps = {});
