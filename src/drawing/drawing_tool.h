#pragma once
// The tool a picture window draws with; the numbers are what the window stores.

#include <cstdint>

enum DrawingTool : uint8_t {
    dtLine = 0,
    dtRectangle = 1,
    dtEllipse = 2,
    dtRoundRect = 3,
    dtSector = 4,
    dtArc = 5,
    dtSide = 6,
    dtPencil = 7,
    dtFill = 8,
    dtEraser = 9,
    dtPickBrushColor = 10,
    dtPaste = 11,
    dtPickPenColor = 12,
    dtSelect = 13,
    dtPlus3D = 14,
    dtBox3D = 15,
    dtEllipsoid3D = 16,
    dtCylinder3D = 17,
    dtTorus3D = 18,
    dtFrame3D = 19,
    dtCone3D = 20,
    dtJug3D = 21,
    dtText = 22,
    dtSpring3D = 23,
};
