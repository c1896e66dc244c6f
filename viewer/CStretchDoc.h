#pragma once

/// The viewer's document: it holds no data; nothing is loaded or saved.
class CStretchDoc {};
