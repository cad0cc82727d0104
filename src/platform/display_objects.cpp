#include "platform/display_objects.h"

void SizePicture(IndexedPicture& picture, uint32_t width, uint32_t height, int32_t pitch, uint8_t fill)
{
    picture.width = width;
    picture.height = height;
    picture.pitch = pitch;
    picture.pixels.assign(static_cast<size_t>(pitch) * height, fill);
}

void DescribePicture(IndexedPicture& picture, SurfaceDesc* desc)
{
    desc->bits = picture.pixels.data();
    desc->pitch = picture.pitch;
    desc->width = picture.width;
    desc->height = picture.height;
}
