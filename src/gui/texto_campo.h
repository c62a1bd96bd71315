#pragma once
#include <QString>

class QLineEdit;

namespace orvalto {

// Shows `texto` in the field when it differs, keeping the cursor where the
// person was typing (a field that upper-cases what is typed sets its text
// at every key).
void defineTexto(QLineEdit* campo, const QString& texto);

}  // namespace orvalto
