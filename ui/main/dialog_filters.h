// The program's dialog filters ("text|patterns|text|patterns") in Qt's form.
#pragma once

#include <QString>
#include <QStringList>

namespace mivaro {

// "text|patterns|..." as Qt's "text (patterns);;..." list. "*.*" becomes "*": on this
// system a name without a dot is a file too, and "*.*" would hide it.
QStringList QtFilters(const QString& filter);

}  // namespace mivaro
