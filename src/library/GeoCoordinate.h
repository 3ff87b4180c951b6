#pragma once

/** A point on the map: latitude and longitude in degrees. */
struct GeoCoordinate
{
    double latitude = 0.0;
    double longitude = 0.0;

    bool operator==(const GeoCoordinate&) const = default;
};
