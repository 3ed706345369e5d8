"""KVX theme effects over video frames held in numpy arrays.

    import kvxtheme, numpy
    with kvxtheme.Effect("lower-third.kvx", 1920, 1080, texts={"title": "Holiday"}) as effect:
        result = effect.render(frame, index)   # frame: 1080 × 1920 × 3 uint8, BGR
"""
from ._kvxtheme import Effect, Theme, __version__, pack, texture

__all__ = ["Effect", "Theme", "pack", "texture", "__version__"]
