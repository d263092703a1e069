#pragma once
#include <QFontMetrics>
#include <QString>
#include <QUrl>

// The name of a site as the program shows it where the person must tell one site from
// another (a permission prompt, the full-screen notice): the host in its ASCII form (no
// look-alike letters, no direction marks) with its port, shortened from the left to
// `width` pixels so that the registrable domain at its right end always shows.
QString SiteHostText(const QUrl& origin, const QFontMetrics& metrics, int width);
