import os
from typing import Any, Mapping, Optional, Tuple, Union

import numpy
import numpy.typing

__version__: str

PathLike = Union[str, bytes, os.PathLike[str], os.PathLike[bytes]]
Frame = numpy.typing.NDArray[numpy.uint8]

class Theme:
    """A theme file, or None for the default page."""

    def __init__(self, path: Optional[PathLike] = None) -> None: ...
    @property
    def path(self) -> Optional[str]: ...
    def info(self) -> dict[str, Any]:
        """The page, groups, objects and streams, as `kvxtheme info --json`."""

class Effect:
    """The effect over frames of one size; a context manager that begins and ends the clip.

    Texts map "title", "description", "date", "file_name" or a text layer's name to its text.
    """

    def __init__(
        self,
        theme: Union[Theme, PathLike, None],
        width: int,
        height: int,
        field_order: str = "progressive",
        texts: Optional[Mapping[str, str]] = None,
    ) -> None: ...
    def open(self) -> None: ...
    def close(self) -> None: ...
    def __enter__(self) -> "Effect": ...
    def __exit__(self, *args: object) -> None: ...
    @property
    def closed(self) -> bool: ...
    @property
    def width(self) -> int: ...
    @property
    def height(self) -> int: ...
    @property
    def field_order(self) -> str: ...
    def render(
        self,
        frame: Frame,
        index: int,
        texts: Optional[Mapping[str, str]] = None,
        out: Optional[Frame] = None,
        rgb: bool = False,
    ) -> Frame:
        """Composes frame `index` over `frame` (height × width × 3 uint8, BGR unless rgb)."""

def pack(
    description: Union[Mapping[str, Any], PathLike],
    path: PathLike,
    size: Optional[Tuple[int, int]] = None,
) -> None:
    """Packs a theme description (a dict or a JSON file) or an SVG design into a theme file."""

def texture(path: PathLike, rgb: bool = False) -> Frame:
    """The placeholder picture of a theme file as a height × width × 3 uint8 array."""
