#pragma once

#include <QDateTime>
#include <QString>

// A capture's age in English with abbreviated units: "now", "12 sec. ago", "3 min. ago",
// "2 hr. ago", "1 day ago", "2 wk. ago", "4 mo. ago", "1 yr. ago"; a date after `now`
// reads "in 5 min.".
namespace relative_age {

QString abbreviated(const QDateTime& date, const QDateTime& now);

} // namespace relative_age
