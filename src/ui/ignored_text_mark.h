// Marks an edit field whose text would be ignored: a red frame over the
// field's border and a tooltip saying that the value will not change. The
// mark follows every change of the text; whether a text is taken is told by
// the caller, so it is decided by the same rule that later takes or ignores
// it.
#ifndef VOK_UI_IGNORED_TEXT_MARK_H_
#define VOK_UI_IGNORED_TEXT_MARK_H_

#include <QString>
#include <functional>

class QLineEdit;

namespace vok {

// The tooltip of a marked field.
inline constexpr const char* kIgnoredTextTip = "Число не распознано: значение не изменится";

// Marks `field` (from now on, at each change of its text) whenever `taken`
// is false for its text. The mark is owned by the field.
void markIgnoredText(QLineEdit* field, std::function<bool(const QString&)> taken);

// Whether `field` is marked at the moment.
bool isMarkedIgnored(const QLineEdit* field);

}  // namespace vok

#endif  // VOK_UI_IGNORED_TEXT_MARK_H_
