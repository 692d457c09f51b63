// Signed distance fields of the basic shapes, in pixel units.
#include "shapes.h"

#include <algorithm>
#include <cmath>
#include <utility>

Field Circle(Vec2 centre, float radius) {
    return [=](Vec2 p) { return Length(p - centre) - radius; };
}

// Not an exact distance, but exact on the outline and close enough near it for coverage.
Field Ellipse(Vec2 centre, float rx, float ry) {
    return [=](Vec2 p) {
        Vec2 q{(p.x - centre.x) / rx, (p.y - centre.y) / ry};
        float k = Length(q);
        if (k < 1e-6f) return -std::min(rx, ry);
        Vec2 grad{q.x / (rx * k), q.y / (ry * k)};
        return (k - 1.0f) / std::max(Length(grad), 1e-6f);
    };
}

Field RoundBox(Vec2 centre, float halfWidth, float halfHeight, float radius) {
    return [=](Vec2 p) {
        float dx = std::fabs(p.x - centre.x) - halfWidth + radius;
        float dy = std::fabs(p.y - centre.y) - halfHeight + radius;
        float outside = Length({std::max(dx, 0.0f), std::max(dy, 0.0f)});
        return outside + std::min(std::max(dx, dy), 0.0f) - radius;
    };
}

Field ChamferBox(Vec2 centre, float halfWidth, float halfHeight, float cut) {
    Field box = RoundBox(centre, halfWidth, halfHeight, 0);
    return [=](Vec2 p) {
        float dx = std::fabs(p.x - centre.x), dy = std::fabs(p.y - centre.y);
        float corner = (dx + dy - (halfWidth + halfHeight - cut)) * 0.70710678f;
        return std::max(box(p), corner);
    };
}

Field Capsule(Vec2 a, Vec2 b, float radius) {
    return [=](Vec2 p) {
        Vec2 pa = p - a, ba = b - a;
        float h = std::clamp(Dot(pa, ba) / std::max(Dot(ba, ba), 1e-6f), 0.0f, 1.0f);
        return Length(pa - ba * h) - radius;
    };
}

Field Polygon(std::vector<Vec2> v) {
    return [v = std::move(v)](Vec2 p) {
        float d = Dot(p - v[0], p - v[0]);
        float s = 1.0f;
        for (size_t i = 0, j = v.size() - 1; i < v.size(); j = i, ++i) {
            Vec2 e = v[j] - v[i], w = p - v[i];
            float h = std::clamp(Dot(w, e) / std::max(Dot(e, e), 1e-6f), 0.0f, 1.0f);
            Vec2 b = w - e * h;
            d = std::min(d, Dot(b, b));
            bool c1 = p.y >= v[i].y, c2 = p.y < v[j].y;
            bool c3 = e.x * w.y > e.y * w.x;
            if ((c1 && c2 && c3) || (!c1 && !c2 && !c3)) s = -s;
        }
        return s * std::sqrt(d);
    };
}

Field MirroredPolygon(std::vector<Vec2> half, float axisX) {
    std::vector<Vec2> all = half;
    for (size_t i = half.size(); i-- > 0;) {
        Vec2 m{2 * axisX - half[i].x, half[i].y};
        if (std::fabs(m.x - half[i].x) > 1e-4f) all.push_back(m);
    }
    return Polygon(std::move(all));
}

Field Union(Field a, Field b) {
    return [=](Vec2 p) { return std::min(a(p), b(p)); };
}

Field SmoothUnion(Field a, Field b, float k) {
    return [=](Vec2 p) {
        float da = a(p), db = b(p);
        float h = std::clamp(0.5f + 0.5f * (db - da) / k, 0.0f, 1.0f);
        return db + (da - db) * h - k * h * (1.0f - h);
    };
}

Field Intersect(Field a, Field b) {
    return [=](Vec2 p) { return std::max(a(p), b(p)); };
}

Field Subtract(Field a, Field b) {
    return [=](Vec2 p) { return std::max(a(p), -b(p)); };
}

Field Grow(Field a, float amount) {
    return [=](Vec2 p) { return a(p) - amount; };
}

Field Ring(Field a, float halfWidth) {
    return [=](Vec2 p) { return std::fabs(a(p)) - halfWidth; };
}

Field Transformed(Field a, Vec2 pivot, float angle, float sx, float sy, Vec2 offset) {
    float scale = std::min(std::fabs(sx), std::fabs(sy));
    return [=](Vec2 p) {
        Vec2 q = Rotated(p - pivot - offset, -angle);
        q = {q.x / sx, q.y / sy};
        return a(q + pivot) * scale;
    };
}
