#include "platform/trash.h"

#include <QFile>

namespace kesto {

bool moveFileToTrash(const std::string& path, std::string& error) {
    QFile file(QString::fromStdString(path));
    if (file.moveToTrash())
        return true;
    error = file.errorString().toStdString();
    if (error.empty())
        error = "无法移到回收站";
    return false;
}

} // namespace kesto
