#include "ui/backbuffer.h"

#include <QBackingStore>
#include <QImage>
#include <QPaintDevice>
#include <QWidget>

#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>

#ifndef MADV_POPULATE_WRITE
#define MADV_POPULATE_WRITE 23
#endif

void populateBackBuffer(QWidget* window)
{
    QBackingStore* store = window->backingStore();
    if (!store || window->size().isEmpty())
        return;
    // The buffer is made at the window's size now rather than at the start of the first
    // paint; the paint then finds it at that size and keeps it.
    if (store->size() != window->size())
        store->resize(window->size());
    QPaintDevice* device = store->paintDevice();
    if (!device || device->devType() != QInternal::Image)
        return;
    const auto* image = static_cast<const QImage*>(device);
    const uchar* bits = image->constBits();
    // One buffer is filled in once; later paints find its pages present.
    static const uchar* populated = nullptr;
    if (!bits || bits == populated)
        return;
    populated = bits;
    const auto page = static_cast<std::uintptr_t>(sysconf(_SC_PAGESIZE));
    const auto begin = (reinterpret_cast<std::uintptr_t>(bits) + page - 1) & ~(page - 1);
    const auto end = (reinterpret_cast<std::uintptr_t>(bits) +
                      static_cast<std::uintptr_t>(image->sizeInBytes())) &
                     ~(page - 1);
    if (end > begin)
        (void)madvise(reinterpret_cast<void*>(begin), end - begin, MADV_POPULATE_WRITE);
}
