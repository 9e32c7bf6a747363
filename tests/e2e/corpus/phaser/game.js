// A small Phaser game: its loader fetches a sprite sheet, a level and a sound,
// the scene lays the level out, and the first frame drawn after that is the start.
class Level extends Phaser.Scene {
  preload() {
    this.load.spritesheet('tiles', 'assets/tiles.png', { frameWidth: 16, frameHeight: 16 });
    this.load.json('level', 'assets/level.json');
    this.load.audio('blip', 'assets/blip.wav');
  }

  create() {
    const level = this.cache.json.get('level');
    level.rows.forEach((row, y) => [...row].forEach((cell, x) => {
      if (cell !== '.') this.add.image(x * 16 + 8, y * 16 + 8, 'tiles', Number(cell));
    }));
    this.player = this.add.sprite(40, 40, 'tiles', 3);
    this.sound.add('blip');
    this.game.events.once('postrender', () => corpus.markStarted(`Phaser ${Phaser.VERSION} drew the level`));
  }

  update(time) {
    this.player.x = 40 + (time / 10) % 200;
  }
}

new Phaser.Game({ type: Phaser.AUTO, width: 320, height: 240, backgroundColor: '#102030',
  pixelArt: true, scene: Level });
