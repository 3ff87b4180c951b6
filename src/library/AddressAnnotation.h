#pragma once

#include "CircularRegion.h"
#include "GeoCoordinate.h"

#include <QObject>
#include <QString>

#include <optional>

class Debug;

/**
 * A map annotation describing a monitored circular region: centre, radius, title, a subtitle computed
 * from centre and radius, the region itself and a colour name chosen by the caller.
 *
 * Changing the radius changes the subtitle, so setRadius() tells observers of the subtitle before and
 * after it stores the new value (subtitleWillChange, subtitleDidChange).
 */
class AddressAnnotation : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QString subtitle READ subtitle WRITE setSubtitle NOTIFY subtitleDidChange)

public:
    /** An annotation titled "Monitored Region", with no region, at 0,0 with radius 0. */
    explicit AddressAnnotation(QObject* parent = nullptr);
    /** An annotation that stores the region, titled "Monitored Region xxx". Centre and radius stay
     *  0 until set: the region is only stored. */
    explicit AddressAnnotation(const CircularRegion& region, QObject* parent = nullptr);

    /** The radius of the region in metres. */
    double radius() const { return m_radius; }
    /** Stores the radius; emits subtitleWillChange before and subtitleDidChange after, once each. */
    void setRadius(double radius);

    /** The centre of the region. */
    GeoCoordinate coordinate() const { return m_coordinate; }
    void setCoordinate(const GeoCoordinate& coordinate) { m_coordinate = coordinate; }

    QString title() const { return m_title; }
    void setTitle(const QString& title) { m_title = title; }

    /** "Lat: %F, Lon: %f, Rad: %.1fm" of latitude, longitude and radius; a stored subtitle is not shown. */
    QString subtitle() const;
    /** Stores the text only; subtitle() keeps computing its own. */
    void setSubtitle(const QString& subtitle) { m_subtitle = subtitle; }

    /** The monitored region; none until one is given. */
    std::optional<CircularRegion> region() const { return m_region; }
    void setRegion(const std::optional<CircularRegion>& region) { m_region = region; }

    /** The colour name the caller chose; "" until set. */
    QString color() const { return m_color; }
    void setColor(const QString& color) { m_color = color; }

signals:
    /** The subtitle is about to change (the radius still has its old value). */
    void subtitleWillChange();
    /** The subtitle has changed (the radius has its new value). */
    void subtitleDidChange();

private:
    Debug* m_debug = nullptr;
    double m_radius = 0.0;
    GeoCoordinate m_coordinate;
    QString m_title;
    QString m_subtitle;
    std::optional<CircularRegion> m_region;
    QString m_color;
};
