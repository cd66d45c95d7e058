# sources added by the media work
