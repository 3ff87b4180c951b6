#include "AddressAnnotation.h"

#include "Debug.h"
#include "Format.h"

AddressAnnotation::AddressAnnotation(QObject* parent)
    : QObject(parent), m_debug(Debug::sharedEngineInstance()), m_title(QStringLiteral("Monitored Region"))
{
}

AddressAnnotation::AddressAnnotation(const CircularRegion& region, QObject* parent) : AddressAnnotation(parent)
{
    m_region = region;
    m_title = QStringLiteral("Monitored Region xxx");
}

void AddressAnnotation::setRadius(double radius)
{
    emit subtitleWillChange();
    m_radius = radius;
    emit subtitleDidChange();
}

QString AddressAnnotation::subtitle() const
{
    return format("Lat: %F, Lon: %f, Rad: %.1fm", m_coordinate.latitude, m_coordinate.longitude, m_radius);
}
