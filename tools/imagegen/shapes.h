// Shapes for the picture generator: signed distance fields and the ways to combine them.
#pragma once

#include <vector>

#include "canvas.h"

Field Circle(Vec2 centre, float radius);
Field Ellipse(Vec2 centre, float rx, float ry);
Field RoundBox(Vec2 centre, float halfWidth, float halfHeight, float radius);
// A box with its four corners cut off at 45 degrees.
Field ChamferBox(Vec2 centre, float halfWidth, float halfHeight, float cut);
Field Capsule(Vec2 a, Vec2 b, float radius);
// Closed polygon, corners in either winding order.
Field Polygon(std::vector<Vec2> corners);
Field MirroredPolygon(std::vector<Vec2> rightHalf, float axisX);  // symmetric about x = axisX

Field Union(Field a, Field b);
Field SmoothUnion(Field a, Field b, float k);
Field Intersect(Field a, Field b);
Field Subtract(Field a, Field b);      // a without b
Field Grow(Field a, float amount);     // negative amounts shrink
Field Ring(Field a, float halfWidth);  // a band along the outline
// The shape seen through an affine view: moved, rotated about `pivot`, scaled by sx, sy.
Field Transformed(Field a, Vec2 pivot, float angle, float sx, float sy, Vec2 offset = {});
