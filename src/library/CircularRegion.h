#pragma once

#include "GeoCoordinate.h"

#include <QString>

/** A circular region on the map that can be monitored: centre, radius in metres and an identifier. */
struct CircularRegion
{
    GeoCoordinate center;
    double radius = 0.0;
    QString identifier;

    bool operator==(const CircularRegion&) const = default;
};
