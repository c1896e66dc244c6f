#pragma once
#include <QIcon>
#include <QImage>
#include <QString>

/// The programs' own resources, by id: string tables, icons and pictures
/// (the content module's are read through content/ instead). Kept in the
/// Qt resource system: strings/<program>.txt, icons/icon-<id>.png (with
/// icon-<id>-<size>.png where an icon is drawn for each size),
/// pictures/bitmap-<id>.png.
namespace AppResources {

/// String `id`; empty when no table has it.
QString String(int id);
/// Icon `id`; a null icon when there is none.
QIcon Icon(int id);
/// Picture (bitmap) `id`; a null image when there is none.
QImage Picture(int id);

} // namespace AppResources
